// Builds without qpdf (Windows) cannot open or save PDF files.
#include <stdexcept>

#include "Documents.h"

namespace refhost {

bool PdfFilesSupported() {
  return false;
}

Handle OpenPdfFile(const std::string& path) {
  throw std::runtime_error("cannot open PDF file '" + path + "': not supported in this build");
}

void SavePdfFile(Handle, const std::string& path) {
  throw std::runtime_error("cannot save PDF file '" + path + "': not supported in this build");
}

}  // namespace refhost
