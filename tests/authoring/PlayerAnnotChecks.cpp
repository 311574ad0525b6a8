#include "PlayerAnnotChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "Documents.h"
#include "Objects.h"

namespace authoringtest {

const char kPlaceholderText[] =
    "BT /MIRVANET 16 Tf 10 40 TD ( Mirvane)Tj ET q 10 w 0.5 0.5 0.5 RG 1 1 99 99 re S Q";

using refhost::CosObj;

namespace {

void ExpectName(CosObj obj, const std::string& text, const std::string& what) {
  ASSERT_EQ(refhost::kCosName, refhost::ObjType(obj)) << what;
  EXPECT_FALSE(refhost::ObjIsIndirect(obj)) << what;
  EXPECT_EQ(text, refhost::NameText(obj)) << what;
}

void ExpectInteger(CosObj obj, int32_t value, const std::string& what) {
  ASSERT_EQ(refhost::kCosInteger, refhost::ObjType(obj)) << what;
  EXPECT_FALSE(refhost::ObjIsIndirect(obj)) << what;
  EXPECT_EQ(value, refhost::IntValue(obj)) << what;
}

void ExpectObject(CosObj obj, int type, bool indirect, const std::string& what) {
  ASSERT_EQ(type, refhost::ObjType(obj)) << what;
  EXPECT_EQ(indirect, refhost::ObjIsIndirect(obj)) << what;
}

// A stream's own keys: a file's writer may add a filter and its parameters.
std::vector<std::string> StreamKeys(CosObj stream, bool asCreated) {
  std::vector<std::string> keys = Keys(refhost::StreamDictOf(stream));
  if (!asCreated) {
    keys.erase(
        std::remove_if(keys.begin(), keys.end(),
                       [](const std::string& k) { return k == "Filter" || k == "DecodeParms"; }),
        keys.end());
    std::sort(keys.begin(), keys.end());
  }
  return keys;
}

std::vector<std::string> Expected(std::vector<std::string> keys, bool asCreated) {
  if (!asCreated) std::sort(keys.begin(), keys.end());
  return keys;
}

void ExpectScene(CosObj stream, const ExpectedScene& scene, bool asCreated) {
  ExpectObject(stream, refhost::kCosStream, true, "KXTRIVOPlayerF");
  const CosObj dict = refhost::StreamDictOf(stream);
  EXPECT_FALSE(refhost::ObjIsIndirect(dict));
  EXPECT_EQ(Expected({"Length", "Type", "Filename", "Subtype", "Params"}, asCreated),
            StreamKeys(stream, asCreated));
  const int32_t size = static_cast<int32_t>(scene.bytes.size());
  if (asCreated) {
    ExpectInteger(refhost::DictValue(dict, "Length"), size, "scene Length");
    EXPECT_EQ(scene.bytes, refhost::StreamRawData(stream)) << "stored unchanged, no filter";
  }
  ExpectName(refhost::DictValue(dict, "Type"), "EmbeddedFile", "scene Type");
  ExpectName(refhost::DictValue(dict, "Filename"), scene.name, "Filename");
  ExpectName(refhost::DictValue(dict, "Subtype"), scene.ext, "scene Subtype");
  const CosObj params = refhost::DictValue(dict, "Params");
  ExpectObject(params, refhost::kCosDict, false, "Params");
  EXPECT_EQ(std::vector<std::string>{"Size"}, Keys(params));
  ExpectInteger(refhost::DictValue(params, "Size"), size, "Size");
  EXPECT_TRUE(refhost::StreamData(stream) == scene.bytes) << "scene bytes differ";
}

void ExpectPlaceholder(CosObj appearance, bool asCreated) {
  ExpectObject(appearance, refhost::kCosDict, false, "AP");
  EXPECT_EQ(std::vector<std::string>{"N"}, Keys(appearance));
  const CosObj form = refhost::DictValue(appearance, "N");
  ExpectObject(form, refhost::kCosStream, true, "N");
  EXPECT_EQ(std::string(kPlaceholderText), refhost::StreamData(form));
  const CosObj dict = refhost::StreamDictOf(form);
  EXPECT_FALSE(refhost::ObjIsIndirect(dict));
  EXPECT_EQ(Expected({"Length", "Type", "Subtype", "FormType", "BBox", "Resources"}, asCreated),
            StreamKeys(form, asCreated));
  if (asCreated) {
    ExpectInteger(refhost::DictValue(dict, "Length"), 82, "form Length");
    EXPECT_EQ(std::string(kPlaceholderText), refhost::StreamRawData(form));
  }
  ExpectName(refhost::DictValue(dict, "Type"), "XObject", "form Type");
  ExpectName(refhost::DictValue(dict, "Subtype"), "Form", "form Subtype");
  ExpectInteger(refhost::DictValue(dict, "FormType"), 1, "FormType");

  const CosObj bbox = refhost::DictValue(dict, "BBox");
  ExpectObject(bbox, refhost::kCosArray, false, "BBox");
  ASSERT_EQ(4, refhost::ArrayLength(bbox));
  const int32_t corners[4] = {0, 0, 100, 100};
  for (int i = 0; i < 4; ++i) ExpectInteger(refhost::ArrayItem(bbox, i), corners[i], "BBox item");

  const CosObj resources = refhost::DictValue(dict, "Resources");
  ExpectObject(resources, refhost::kCosDict, false, "Resources");
  EXPECT_EQ(Expected({"Font", "ProcSet"}, asCreated), Expected(Keys(resources), asCreated));
  const CosObj category = refhost::DictValue(resources, "Font");
  ExpectObject(category, refhost::kCosDict, true, "font category");
  EXPECT_EQ(std::vector<std::string>{"MIRVANET"}, Keys(category));
  const CosObj font = refhost::DictValue(category, "MIRVANET");
  ExpectObject(font, refhost::kCosDict, true, "font");
  EXPECT_EQ(Expected({"Type", "Subtype", "Name", "BaseFont"}, asCreated),
            Expected(Keys(font), asCreated));
  ExpectName(refhost::DictValue(font, "Type"), "Font", "font Type");
  ExpectName(refhost::DictValue(font, "Subtype"), "Type1", "font Subtype");
  ExpectName(refhost::DictValue(font, "Name"), "MIRVANET", "font Name");
  ExpectName(refhost::DictValue(font, "BaseFont"), "Helvetica", "BaseFont");

  const CosObj procSet = refhost::DictValue(resources, "ProcSet");
  ExpectObject(procSet, refhost::kCosArray, false, "ProcSet");
  ASSERT_EQ(2, refhost::ArrayLength(procSet));
  ExpectName(refhost::ArrayItem(procSet, 0), "PDF", "ProcSet 0");
  ExpectName(refhost::ArrayItem(procSet, 1), "Text", "ProcSet 1");
}

// Positions of `keys` in the annotation dictionary, which must be in increasing order.
void ExpectWrittenInOrder(CosObj dict, const std::vector<std::string>& keys) {
  const std::vector<std::string> all = Keys(dict);
  std::vector<size_t> positions;
  for (const std::string& key : keys)
    positions.push_back(std::find(all.begin(), all.end(), key) - all.begin());
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
}

void Collect(CosObj obj, std::vector<CosObj>* found, std::set<int>* seen) {
  if (refhost::ObjIsIndirect(obj) && !seen->insert(refhost::ObjNumber(obj)).second) return;
  found->push_back(obj);
  switch (refhost::ObjType(obj)) {
    case refhost::kCosDict:
      for (const std::string& key : Keys(obj))
        if (key != "P" && key != "Parent") Collect(refhost::DictValue(obj, key), found, seen);
      break;
    case refhost::kCosArray:
      for (int i = 0; i < refhost::ArrayLength(obj); ++i)
        Collect(refhost::ArrayItem(obj, i), found, seen);
      break;
    case refhost::kCosStream:
      Collect(refhost::StreamDictOf(obj), found, seen);
      break;
    default:
      break;
  }
}

}  // namespace

std::vector<std::string> Keys(CosObj dict) {
  return refhost::DictKeys(dict);
}

void ExpectPlayerAnnot(refhost::PDAnnot annot, const ExpectedScene& scene, bool asCreated) {
  ASSERT_TRUE(refhost::AnnotationIsValid(annot));
  EXPECT_EQ("KXTRIVOPlayer", refhost::AnnotationSubtype(annot));
  const CosObj dict = refhost::AnnotationDict(annot);
  ExpectInteger(refhost::DictValue(dict, "F"), 4, "F");
  ExpectName(refhost::DictValue(dict, "Version"), "1.0", "Version");
  ExpectScene(refhost::DictValue(dict, "KXTRIVOPlayerF"), scene, asCreated);
  ExpectPlaceholder(refhost::DictValue(dict, "AP"), asCreated);
  if (asCreated) ExpectWrittenInOrder(dict, {"F", "Version", "KXTRIVOPlayerF", "AP"});
}

void ExpectAnnotWithoutScene(refhost::PDAnnot annot) {
  ASSERT_TRUE(refhost::AnnotationIsValid(annot));
  const CosObj dict = refhost::AnnotationDict(annot);
  ExpectInteger(refhost::DictValue(dict, "F"), 4, "F");
  ExpectName(refhost::DictValue(dict, "Version"), "1.0", "Version");
  EXPECT_FALSE(refhost::DictHas(dict, "KXTRIVOPlayerF"));
  EXPECT_FALSE(refhost::DictHas(dict, "AP"));
}

std::vector<CosObj> ReachableObjects(refhost::PDAnnot annot) {
  std::vector<CosObj> found;
  std::set<int> seen;
  Collect(refhost::AnnotationDict(annot), &found, &seen);
  return found;
}

}  // namespace authoringtest
