#include "Authoring/PlaceholderAppearance.h"

#include <cstring>

#include "Authoring/AnnotKeys.h"
#include "HostInterface/HostInterface.h"

namespace {

constexpr char kFontResource[] = "MIRVANET";
constexpr ASInt32 kFormDictRoom = 6;  // Length, Type, Subtype, FormType, BBox, Resources

CosObj NewName(CosDoc cosDoc, const char* text) {
  return NewNameObject(cosDoc, ASFalse, text);
}

CosObj NewInteger(CosDoc cosDoc, ASInt32 value) {
  return CosNewInteger(cosDoc, ASFalse, value);
}

// Resources << /Font <category> /ProcSet [/PDF /Text] >>; the category dictionary and
// the font dictionary are indirect objects of their own.
CosObj NewPlaceholderResources(CosDoc cosDoc) {
  const CosObj resources = CosNewDict(cosDoc, ASFalse, 2);
  const CosObj category = CosNewDict(cosDoc, ASTrue, 1);
  const CosObj font = CosNewDict(cosDoc, ASTrue, 4);
  PutDictKey(font, "Type", NewName(cosDoc, "Font"));
  PutDictKey(font, "Subtype", NewName(cosDoc, "Type1"));
  PutDictKey(font, "Name", NewName(cosDoc, kFontResource));
  PutDictKey(font, "BaseFont", NewName(cosDoc, "Helvetica"));
  PutDictKey(category, kFontResource, font);
  PutDictKey(resources, "Font", category);

  const CosObj procSet = CosNewArray(cosDoc, ASFalse, 2);
  CosArrayPut(procSet, 0, NewName(cosDoc, "PDF"));
  CosArrayPut(procSet, 1, NewName(cosDoc, "Text"));
  PutDictKey(resources, "ProcSet", procSet);
  return resources;
}

}  // namespace

void AttachPlaceholderAppearance(CosDoc cosDoc, CosObj annotDict, char* buffer,
                                 ASStm volatile* openContent) {
  const CosObj appearance = CosNewDict(cosDoc, ASFalse, 1);
  const CosObj noDecodeParams = CosNewNull();

  std::memset(buffer, 0, kPlaceholderBufferSize);
  std::memcpy(buffer, kPlaceholderContent, sizeof kPlaceholderContent);
  const ASStm content = ASMemStmRdOpen(buffer, static_cast<ASUns32>(std::strlen(buffer)));
  *openContent = content;

  const CosObj formDict = CosNewDict(cosDoc, ASFalse, kFormDictRoom);
  PutDictKey(formDict, kKeyLength, NewInteger(cosDoc, kPlaceholderContentLength));
  const CosObj form = CosNewStream(cosDoc, ASTrue, content, 0, ASFalse, formDict, noDecodeParams,
                                   kPlaceholderContentLength);
  // The data are in the document now; the stream over the buffer is no longer needed.
  *openContent = nullptr;
  ASStmClose(content);

  const CosObj dict = CosStreamDict(form);
  PutDictKey(dict, "Type", NewName(cosDoc, "XObject"));
  PutDictKey(dict, "Subtype", NewName(cosDoc, "Form"));
  PutDictKey(dict, "FormType", NewInteger(cosDoc, 1));
  const CosObj bbox = CosNewArray(cosDoc, ASFalse, 4);
  const ASInt32 corners[4] = {0, 0, 100, 100};
  for (ASInt32 i = 0; i < 4; ++i) CosArrayPut(bbox, i, NewInteger(cosDoc, corners[i]));
  PutDictKey(dict, "BBox", bbox);
  PutDictKey(dict, "Resources", NewPlaceholderResources(cosDoc));

  CosDictPut(appearance, gAtomN, form);
  PutDictKey(annotDict, kKeyAP, appearance);
}
