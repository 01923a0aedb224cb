#include "catalog/catalog_model.h"

#include <windows.h>

#include "base/gdiplus_session.h"

void BitmapDeleter::operator()(Gdiplus::Bitmap* bitmap) const { delete bitmap; }
