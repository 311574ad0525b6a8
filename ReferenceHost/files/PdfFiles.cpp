// Documents opened from and saved to PDF files through qpdf. Opening copies every object
// of the file into the host's object store (keeping the object numbers), but not stream
// data: that stays in the file, which the document keeps open, and is read when a stream
// is read, so a document's memory does not grow with its file. Saving builds a fresh qpdf
// document from the objects reachable from the catalog and Info and lets QPDFWriter
// write it (compressing streams that have no filter), streams kept in the file streamed
// from there.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <locale>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include "DocumentStore.h"
#include "Documents.h"
#include "Host.h"
#include "ObjectStore.h"
#include "ReplacementFile.h"
#include "SourceFile.h"
#include "ViewerState.h"

namespace refhost {
namespace {

// Direct objects nested deeper than this are refused rather than followed by recursion.
constexpr int kMaxNesting = 256;

std::runtime_error Failure(const char* what, const std::string& path, const std::string& why) {
  return std::runtime_error(std::string("cannot ") + what + " PDF file '" + path + "': " + why);
}

int TypeOf(QPDFObjectHandle& object) {
  switch (object.getTypeCode()) {
    case ::ot_boolean:
      return kCosBoolean;
    case ::ot_integer:
      return kCosInteger;
    case ::ot_real:
      return kCosReal;
    case ::ot_string:
      return kCosString;
    case ::ot_name:
      return kCosName;
    case ::ot_array:
      return kCosArray;
    case ::ot_dictionary:
      return kCosDict;
    case ::ot_stream:
      return kCosStream;
    default:
      return kCosNull;  // null, and what only content streams hold
  }
}

double ParseReal(const std::string& text) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  double value = 0;
  in >> value;
  return in.fail() ? 0.0 : value;
}

// Whether the stream's data lies in the file as its dictionary says: Length bytes from
// where qpdf found the data, followed by white space and "endstream", as qpdf itself checks
// when it reads the stream. A stream qpdf had to repair (a wrong Length) fails this and is
// copied whole instead.
bool DataLiesInFile(const SourceFile& file, QPDFObjectHandle& stream, uint64_t* offset,
                    uint64_t* size) {
  const qpdf_offset_t at = stream.getParsedOffset();
  QPDFObjectHandle length = stream.getDict().getKey("/Length");
  if (at <= 0 || !length.isInteger() || length.getIntValue() < 0) return false;
  const uint64_t end = static_cast<uint64_t>(at) + static_cast<uint64_t>(length.getIntValue());
  char tail[64];
  const size_t got = file.Peek(end, tail, sizeof tail);
  size_t i = 0;
  while (i < got && std::strchr(" \t\r\n\f", tail[i]) != nullptr && tail[i] != '\0') ++i;
  static const char kEnd[] = "endstream";
  if (got - i < sizeof kEnd - 1 || std::memcmp(tail + i, kEnd, sizeof kEnd - 1) != 0) return false;
  *offset = static_cast<uint64_t>(at);
  *size = static_cast<uint64_t>(length.getIntValue());
  return true;
}

// Copies a qpdf document into the store; stream data stays in `file` where it can.
class Reader {
 public:
  Reader(ObjectStore& objects, Handle cosDoc, std::shared_ptr<const SourceFile> file)
      : objects_(objects), cosDoc_(cosDoc), file_(std::move(file)) {}

  void ReadAll(QPDF& pdf) {
    std::vector<QPDFObjectHandle> all = pdf.getAllObjects();
    for (QPDFObjectHandle& object : all) {
      const int type = TypeOf(object);
      if (type == kCosNull) continue;  // a reference to it reads as null
      numbered_[object.getObjGen()] =
          objects_.NewNode(cosDoc_, type, true, object.getObjGen().getObj());
    }
    for (QPDFObjectHandle& object : all) {
      auto found = numbered_.find(object.getObjGen());
      if (found != numbered_.end()) Fill(found->second, object, 0);
    }
  }

  // The node of an indirect object of the file, or the null node.
  NodeId Indirect(QPDFObjectHandle object) {
    if (!object.isIndirect()) return kNullNode;
    auto found = numbered_.find(object.getObjGen());
    return found == numbered_.end() ? kNullNode : found->second;
  }

 private:
  NodeId Value(QPDFObjectHandle object, int depth) {
    if (object.isIndirect()) return Indirect(object);
    const int type = TypeOf(object);
    if (type == kCosNull) return kNullNode;
    if (type == kCosStream) return kNullNode;  // a stream is always indirect
    const NodeId id = objects_.NewNode(cosDoc_, type, false);
    Fill(id, object, depth);
    return id;
  }

  void Fill(NodeId id, QPDFObjectHandle& object, int depth) {
    if (depth > kMaxNesting) throw std::runtime_error("objects nested too deeply");
    switch (objects_.At(id).type) {
      case kCosBoolean:
        objects_.At(id).boolean = object.getBoolValue();
        break;
      case kCosInteger:
        objects_.At(id).integer = object.getIntValue();
        break;
      case kCosReal: {
        const std::string text = object.getRealValue();
        objects_.At(id).text = text;
        objects_.At(id).real = ParseReal(text);
        break;
      }
      case kCosString:
        objects_.At(id).text = object.getStringValue();
        break;
      case kCosName:
        objects_.At(id).text = object.getName().substr(1);
        break;
      case kCosArray:
        for (QPDFObjectHandle& item : object.getArrayAsVector()) {
          const NodeId value = Value(item, depth + 1);
          objects_.At(id).items.push_back(value);
        }
        break;
      case kCosDict:
        FillDict(id, object, depth);
        break;
      case kCosStream: {
        QPDFObjectHandle dict = object.getDict();
        const NodeId streamDict = objects_.NewNode(cosDoc_, kCosDict, false);
        FillDict(streamDict, dict, depth);
        uint64_t offset = 0, size = 0;
        if (file_ && DataLiesInFile(*file_, object, &offset, &size)) {
          objects_.At(id).source = file_;
          objects_.At(id).sourceOffset = offset;
          objects_.At(id).sourceSize = size;
        } else {
          std::shared_ptr<Buffer> raw = object.getRawStreamData();
          objects_.At(id).data.assign(reinterpret_cast<const char*>(raw->getBuffer()),
                                      raw->getSize());
        }
        const NodeId length =
            objects_.NewInteger(cosDoc_, static_cast<int64_t>(objects_.StoredSize(id)), false);
        objects_.At(id).dict = streamDict;
        objects_.At(streamDict).ofStream = true;
        objects_.DictPut(streamDict, "Length", length);
        break;
      }
    }
  }

  void FillDict(NodeId id, QPDFObjectHandle& object, int depth) {
    for (auto& entry : object.getDictAsMap()) {
      const NodeId value = Value(entry.second, depth + 1);
      if (value != kNullNode) objects_.At(id).entries.push_back({entry.first.substr(1), value});
    }
  }

  ObjectStore& objects_;
  Handle cosDoc_;
  std::shared_ptr<const SourceFile> file_;
  std::map<QPDFObjGen, NodeId> numbered_;
};

// The canonical (unescaped) form of a name for qpdf. qpdf escapes every byte that needs
// it except '#' in some versions; there '#' is escaped here, so that a name with '#'
// reads back as written. A zero byte cannot be written in a name at all.
std::string QpdfName(const std::string& bytes) {
  static const bool escapesHash = QPDFObjectHandle::newName("/#").unparse() != "/#";
  if (bytes.find('\0') != std::string::npos)
    throw std::runtime_error("a name with a zero byte cannot be written");
  std::string name = "/";
  for (char c : bytes) name += (c == '#' && !escapesHash) ? std::string("#23") : std::string(1, c);
  return name;
}

// Hands QPDFWriter the data of streams kept in a file, piece by piece as it writes them.
class StoredDataProvider : public QPDFObjectHandle::StreamDataProvider {
 public:
  explicit StoredDataProvider(const ObjectStore& objects) : objects_(objects) {}
  void Add(QPDFObjGen written, NodeId stream) { streams_[written] = stream; }
  void provideStreamData(QPDFObjGen const& written, Pipeline* pipeline) override {
    const NodeId stream = streams_.at(written);
    const uint64_t size = objects_.StoredSize(stream);
    std::unique_ptr<char[]> buffer(new char[kPiece]);
    for (uint64_t offset = 0; offset < size;) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(kPiece, size - offset));
      objects_.ReadStored(stream, offset, buffer.get(), n);
      pipeline->write(reinterpret_cast<unsigned char*>(buffer.get()), n);
      offset += n;
    }
    pipeline->finish();
  }

 private:
  static constexpr size_t kPiece = 256 * 1024;
  const ObjectStore& objects_;
  std::map<QPDFObjGen, NodeId> streams_;
};

// Builds a qpdf document from the store.
class Writer {
 public:
  Writer(QPDF& pdf, const ObjectStore& objects)
      : pdf_(pdf), objects_(objects), provider_(std::make_shared<StoredDataProvider>(objects)) {}

  // Indirect objects are made empty when first referred to and filled from a queue, so
  // long chains of references do not recurse.
  QPDFObjectHandle Ref(NodeId id, int depth) {
    if (id == kNullNode) return QPDFObjectHandle::newNull();
    const Node& node = objects_.At(id);
    if (node.number == 0) return Direct(id, depth);
    auto found = made_.find(id);
    if (found != made_.end()) return found->second;
    QPDFObjectHandle handle;
    switch (node.type) {
      case kCosDict:
        handle = pdf_.makeIndirectObject(QPDFObjectHandle::newDictionary());
        break;
      case kCosArray:
        handle = pdf_.makeIndirectObject(QPDFObjectHandle::newArray());
        break;
      case kCosStream:
        handle = QPDFObjectHandle::newStream(&pdf_);
        break;
      default:
        handle = pdf_.makeIndirectObject(Scalar(node));
        break;
    }
    made_.emplace(id, handle);
    pending_.push_back(id);
    return handle;
  }

  void Drain() {
    while (!pending_.empty()) {
      const NodeId id = pending_.front();
      pending_.pop_front();
      QPDFObjectHandle handle = made_.at(id);
      Fill(id, handle, 0);
    }
  }

 private:
  static QPDFObjectHandle Scalar(const Node& node) {
    switch (node.type) {
      case kCosBoolean:
        return QPDFObjectHandle::newBool(node.boolean);
      case kCosInteger:
        return QPDFObjectHandle::newInteger(node.integer);
      case kCosReal:
        return QPDFObjectHandle::newReal(node.text);
      case kCosName:
        return QPDFObjectHandle::newName(QpdfName(node.text));
      case kCosString:
        return QPDFObjectHandle::newString(node.text);
      default:
        return QPDFObjectHandle::newNull();
    }
  }

  QPDFObjectHandle Direct(NodeId id, int depth) {
    if (depth > kMaxNesting) throw std::runtime_error("objects nested too deeply");
    const Node& node = objects_.At(id);
    QPDFObjectHandle handle;
    if (node.type == kCosDict)
      handle = QPDFObjectHandle::newDictionary();
    else if (node.type == kCosArray)
      handle = QPDFObjectHandle::newArray();
    else
      return Scalar(node);
    Fill(id, handle, depth);
    return handle;
  }

  void Fill(NodeId id, QPDFObjectHandle& handle, int depth) {
    const Node& node = objects_.At(id);
    if (node.type == kCosDict) {
      for (const DictEntry& entry : node.entries)
        handle.replaceKey(QpdfName(entry.key), Ref(entry.value, depth + 1));
    } else if (node.type == kCosArray) {
      for (NodeId item : node.items) handle.appendItem(Ref(item, depth + 1));
    } else if (node.type == kCosStream) {
      QPDFObjectHandle dict = Direct(node.dict, depth + 1);
      dict.removeKey("/Length");  // the writer sets it
      QPDFObjectHandle filter = dict.getKey("/Filter");
      QPDFObjectHandle parms = dict.getKey("/DecodeParms");
      handle.replaceDict(dict);
      if (node.source) {
        provider_->Add(handle.getObjGen(), id);
        handle.replaceStreamData(provider_, filter, parms);
      } else {
        handle.replaceStreamData(node.data, filter, parms);
      }
      // Data stored with filters is written as it is stored: qpdf would decode it to
      // compress it again, and a document's compressed data (a bomb) would cost its
      // decoded size at every save. Data without filters is compressed as it is written.
      if (!filter.isNull()) handle.setFilterOnWrite(false);
    }
  }

  QPDF& pdf_;
  const ObjectStore& objects_;
  std::shared_ptr<StoredDataProvider> provider_;
  std::map<NodeId, QPDFObjectHandle> made_;
  std::deque<NodeId> pending_;
};

}  // namespace

bool PdfFilesSupported() {
  return true;
}

Handle OpenPdfFile(const std::string& path) {
  DocumentStore& documents = Host::Current().documents();
  Handle doc = nullptr;
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    std::FILE* opened = nullptr;
    const std::shared_ptr<SourceFile> file = SourceFile::Open(path, &opened);
    pdf.processFile(path.c_str(), opened, true);
    // Page-tree repairs (such as a page object used twice) happen here, before copying.
    const std::vector<QPDFObjectHandle> pages = pdf.getAllPages();
    // A viewer shows a document from its first page; one without pages cannot be shown.
    if (pages.empty()) throw std::runtime_error("the document has no pages");
    doc = documents.NewEmptyDocument();
    // Encrypted data must be decrypted by qpdf: it is copied, not left in the file.
    Reader reader(Host::Current().objects(), documents.CosDocOf(doc),
                  pdf.isEncrypted() ? nullptr : file);
    reader.ReadAll(pdf);
    if (!file->Unchanged()) throw std::runtime_error("the file changed while it was read");
    QPDFObjectHandle trailer = pdf.getTrailer();
    const NodeId catalog = reader.Indirect(trailer.getKey("/Root"));
    if (catalog == kNullNode || Host::Current().objects().At(catalog).type != kCosDict)
      throw std::runtime_error("the file has no document catalog");
    NodeId info = reader.Indirect(trailer.getKey("/Info"));
    if (info != kNullNode && Host::Current().objects().At(info).type != kCosDict) info = kNullNode;
    std::vector<NodeId> pageNodes;
    for (const QPDFObjectHandle& page : pages) {
      const NodeId node = reader.Indirect(page);
      if (node == kNullNode || Host::Current().objects().At(node).type != kCosDict)
        throw std::runtime_error("a page is not a dictionary");
      pageNodes.push_back(node);
    }
    documents.SetStructure(doc, catalog, info, pageNodes);
    documents.SetPdfVersion(doc, pdf.getPDFVersion());
  } catch (const std::exception& error) {
    if (doc != nullptr) documents.Close(doc);
    throw Failure("open", path, error.what());
  }
  Host::Current().viewer().NotifyPDDocDidOpen(doc);
  return doc;
}

void SavePdfFile(Handle doc, const std::string& path) {
  DocumentStore& documents = Host::Current().documents();
  const NodeId catalog = documents.Catalog(doc);
  const NodeId info = documents.Info(doc);
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.emptyPDF();
    Writer writer(pdf, Host::Current().objects());
    QPDFObjectHandle root = writer.Ref(catalog, 0);
    QPDFObjectHandle infoDict = writer.Ref(info, 0);
    writer.Drain();
    pdf.getTrailer().replaceKey("/Root", root);
    if (info != kNullNode) pdf.getTrailer().replaceKey("/Info", infoDict);
    // Written to a new file that then takes the target's place, so a failed save leaves the
    // old file.
    ReplacementFile file(path);
    {
      QPDFWriter out(pdf, file.path().c_str(), file.stream(), false);
      out.setMinimumPDFVersion(documents.PdfVersion(doc));
      out.setDeterministicID(true);
      out.write();
    }
    file.Commit();
  } catch (const std::exception& error) {
    throw Failure("save", path, error.what());
  }
}

}  // namespace refhost
