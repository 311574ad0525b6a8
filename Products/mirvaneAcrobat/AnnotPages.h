// Pages of annotations in page views that may show several pages at once (the viewer's
// continuous and two-page layouts). The viewer hands the annotation handler an annotation
// and a page view, never a page, and promises nothing about which page is the view's
// logical page meanwhile; its device conversions use the logical page's place in the view.
// So every conversion here is made with the logical page set to the annotation's page and
// set back afterwards, also when the conversion raises (the error then goes on).
#pragma once

#include "HostInterface/HostTypes.h"

// The page that holds the annotation among the pages the view shows, or, where the view
// names none, the view's own page.
PDPage AnnotPageInView(AVPageView view, PDAnnot annot);

// A rectangle of `page` in user space, on the view's device (AVPageViewRectToDevice).
void PageRectToDevice(AVPageView view, PDPage page, const ASFixedRect* rect, AVDevRect* device);

// The annotation's rectangle on the view's device, as the viewer measures it
// (AVPageViewGetAnnotRect), for an annotation of `page`.
void AnnotRectToDevice(AVPageView view, PDPage page, PDAnnot annot, AVDevRect* device);

// Whether the view shows `page`.
bool PageIsVisible(AVPageView view, PDPage page);
