#include "DizUZIda.h"

ZAruPDDoc::ZAruPDDoc() = default;

ZAruPDDoc::~ZAruPDDoc() = default;
