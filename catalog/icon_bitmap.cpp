#include "catalog/catalog_model.h"

#include <windows.h>

#include "app/gdiplus_session.h"

void BitmapDeleter::operator()(Gdiplus::Bitmap* bitmap) const { delete bitmap; }
