// Documents opened from and saved to PDF files through qpdf. Opening copies every object
// of the file into the host's object store (keeping the object numbers); saving builds a
// fresh qpdf document from the objects reachable from the catalog and Info and lets
// QPDFWriter write it (compressing streams that have no filter).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <locale>
#include <map>
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

// Opens `path` for reading if it is a regular file. The opening does not block (a FIFO's
// would wait for a writer), and the check is made on what was opened, not on a name that
// could change in between.
std::FILE* OpenRegularFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error(std::strerror(errno));
  struct stat status;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(fd);
    throw std::runtime_error("it is not a regular file");
  }
  std::FILE* file = fdopen(fd, "rb");
  if (file == nullptr) {
    const int error = errno;
    close(fd);
    throw std::runtime_error(std::strerror(error));
  }
  return file;
}

// Copies a qpdf document into the store.
class Reader {
 public:
  Reader(ObjectStore& objects, Handle cosDoc) : objects_(objects), cosDoc_(cosDoc) {}

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
        std::shared_ptr<Buffer> raw = object.getRawStreamData();
        std::string data(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize());
        const NodeId length =
            objects_.NewInteger(cosDoc_, static_cast<int64_t>(data.size()), false);
        objects_.At(id).dict = streamDict;
        objects_.At(streamDict).ofStream = true;
        objects_.At(id).data = std::move(data);
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

// Builds a qpdf document from the store.
class Writer {
 public:
  Writer(QPDF& pdf, const ObjectStore& objects) : pdf_(pdf), objects_(objects) {}

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
      handle.replaceStreamData(node.data, filter, parms);
    }
  }

  QPDF& pdf_;
  const ObjectStore& objects_;
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
    pdf.processFile(path.c_str(), OpenRegularFile(path), true);
    // Page-tree repairs (such as a page object used twice) happen here, before copying.
    const std::vector<QPDFObjectHandle> pages = pdf.getAllPages();
    // A viewer shows a document from its first page; one without pages cannot be shown.
    if (pages.empty()) throw std::runtime_error("the document has no pages");
    doc = documents.NewEmptyDocument();
    Reader reader(Host::Current().objects(), documents.CosDocOf(doc));
    reader.ReadAll(pdf);
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
  Host::Current().viewer().NotifyDocDidOpen(doc);
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
