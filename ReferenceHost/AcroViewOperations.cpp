// The AcroView operations on page views, and the note alert.
#include "Host.h"
#include "ViewStore.h"

namespace refhost {
namespace {

ViewStore& Views() {
  return Host::Current().views();
}

template <typename T>
T& Out(T* pointer) {
  if (pointer == nullptr) throw HostError(kErrBadParameter);
  return *pointer;
}

void AVAlertNote(const char* text) {
  if (text == nullptr) throw HostError(kErrBadParameter);
  Views().AddAlert(text);
}

Handle AVPageViewGetAVDoc(Handle view) {
  return Views().DocView(Views().Doc(view));
}
Handle AVPageViewGetPage(Handle view) {
  return Views().Page(view);
}

void AVPageViewGetAperture(Handle view, DevRect* rect) {
  Out(rect) = Views().Geometry(view).aperture;
}

// A null rectangle invalidates the whole view.
void AVPageViewInvalidateRect(Handle view, DevRect* rect) {
  const DevRect& aperture = Views().Geometry(view).aperture;
  Views().AddInvalidation(view, rect != nullptr ? *rect : aperture);
}

void AVPageViewGetAnnotRect(Handle view, PDAnnot annot, DevRect* rect) {
  DocumentStore& documents = Host::Current().documents();
  if (documents.AnnotDoc(annot) != Views().Doc(view)) throw HostError(kErrBadAnnot);
  Out(rect) = Views().ToDevice(view, documents.AnnotRect(annot));
}

void AVPageViewRectToDevice(Handle view, const FixedRect* rect, DevRect* device) {
  Out(device) = Views().ToDevice(view, Out(rect));
}

void AVPageViewDeviceRectToPage(Handle view, const DevRect* device, FixedRect* rect) {
  Out(rect) = Views().ToPage(view, Out(device));
}

}  // namespace

void InstallAcroViewOperations(Host& host) {
  using namespace slot;
  host.Install<Table::AcroView, AcroView::AVAlertNote, &AVAlertNote>();
  host.Install<Table::AcroView, AcroView::AVPageViewGetAVDoc, &AVPageViewGetAVDoc>();
  host.Install<Table::AcroView, AcroView::AVPageViewGetPage, &AVPageViewGetPage>();
  host.Install<Table::AcroView, AcroView::AVPageViewGetAperture, &AVPageViewGetAperture>();
  host.Install<Table::AcroView, AcroView::AVPageViewInvalidateRect, &AVPageViewInvalidateRect>();
  host.Install<Table::AcroView, AcroView::AVPageViewGetAnnotRect, &AVPageViewGetAnnotRect>();
  host.Install<Table::AcroView, AcroView::AVPageViewRectToDevice, &AVPageViewRectToDevice>();
  host.Install<Table::AcroView, AcroView::AVPageViewDeviceRectToPage,
               &AVPageViewDeviceRectToPage>();
}

}  // namespace refhost
