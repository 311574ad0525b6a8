// Documents, pages and annotations of the reference host as tests and the refhost tool
// see them. Handles are the ones the tables hand to the plug-in: a document is a PDDoc,
// a page a PDPage. Misuse (unknown handle, page index out of range) throws HostError.
// Opening and closing send the viewer's notifications (Viewer.h).
#pragma once

#include <string>
#include <vector>

#include "HostAbi.h"

namespace refhost {

// --- Documents ---------------------------------------------------------------------------
// A document of `pageCount` empty pages, each with `mediaBox` (page space, 16.16).
Handle NewDocument(int pageCount, FixedRect mediaBox);
// Opens a PDF file: pages, media boxes, annotations and every object reachable from the
// trailer, with the file's object numbers. Throws std::runtime_error naming the file and
// the reason. Every build reads PDF files (qpdf; on Windows built from the same sources).
Handle OpenPdfFile(const std::string& path);
// Writes every object reachable from the document's catalog (and Info) to a PDF file;
// the host may compress unfiltered streams and renumber objects; filtered streams are
// written as stored. Throws std::runtime_error.
void SavePdfFile(Handle doc, const std::string& path);
bool PdfFilesSupported();
// Closes the document as the viewer does (AVDocWillClose, its page views and their windows
// torn down, PDDocWillClose, PDDocDidClose): its page views, document view, annotations and
// objects go away; handles and objects of it become invalid.
void CloseDocument(Handle doc);
std::vector<Handle> OpenDocuments();  // in opening order

Handle DocumentCosDoc(Handle doc);  // what PDDocGetCosDoc answers
CosObj DocumentCatalog(Handle doc);

// --- Pages -------------------------------------------------------------------------------
int PageCount(Handle doc);
Handle DocumentPage(Handle doc, int index);  // PDPage, stable while the document is open
Handle PageDocument(Handle page);
int PageIndex(Handle page);
CosObj PageDict(Handle page);
FixedRect PageMediaBox(Handle page);  // normalised (left < right, bottom < top)

// --- Annotations -------------------------------------------------------------------------
// Creates an annotation as PDPageAddNewAnnot does: a new indirect dictionary with Type
// /Annot, Subtype and Rect, appended to the page's Annots.
PDAnnot AddAnnotation(Handle page, const std::string& subtype, FixedRect rect);
// The annotations of the page, in Annots order (entries that are not dictionaries are
// skipped).
std::vector<PDAnnot> PageAnnotations(Handle page);
// Takes the annotation off the page; its handle stays valid until the document closes.
void RemoveAnnotation(Handle page, PDAnnot annot);
CosObj AnnotationDict(PDAnnot annot);
bool AnnotationIsValid(PDAnnot annot);
FixedRect AnnotationRect(PDAnnot annot);  // from Rect, normalised; throws when malformed
std::string AnnotationSubtype(PDAnnot annot);
inline bool SameAnnot(PDAnnot x, PDAnnot y) {
  return x.a == y.a && x.b == y.b;
}

}  // namespace refhost
