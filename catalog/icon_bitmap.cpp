#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "catalog/catalog_model.h"

void BitmapDeleter::operator()(Gdiplus::Bitmap* bitmap) const { delete bitmap; }
