#include "ui/image_control.h"

#include <objbase.h>

#include <cstring>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/system_library.h"

namespace {

using platform::win32::SystemProcedure;

// The GDI+ flat API, resolved once from System32's gdiplus.dll.
using GpStatus = int;
constexpr GpStatus kGpOk = 0;
constexpr int kInterpolationHighQualityBicubic = 7;

struct GdiplusApi {
  GpStatus(WINAPI* createBitmapFromStream)(IStream*, void**) = nullptr;
  GpStatus(WINAPI* disposeImage)(void*) = nullptr;
  GpStatus(WINAPI* getImageWidth)(void*, UINT*) = nullptr;
  GpStatus(WINAPI* getImageHeight)(void*, UINT*) = nullptr;
  GpStatus(WINAPI* createFromHdc)(HDC, void**) = nullptr;
  GpStatus(WINAPI* deleteGraphics)(void*) = nullptr;
  GpStatus(WINAPI* setInterpolationMode)(void*, int) = nullptr;
  GpStatus(WINAPI* drawImageRectI)(void*, void*, INT, INT, INT, INT) = nullptr;

  bool complete() const {
    return createBitmapFromStream && disposeImage && getImageWidth && getImageHeight &&
           createFromHdc && deleteGraphics && setInterpolationMode && drawImageRectI;
  }
};

const GdiplusApi& Gdiplus() {
  static const GdiplusApi api = [] {
    GdiplusApi a;
    const wchar_t* dll = L"gdiplus.dll";
    a.createBitmapFromStream =
        SystemProcedure<decltype(a.createBitmapFromStream)>(dll, "GdipCreateBitmapFromStream");
    a.disposeImage = SystemProcedure<decltype(a.disposeImage)>(dll, "GdipDisposeImage");
    a.getImageWidth = SystemProcedure<decltype(a.getImageWidth)>(dll, "GdipGetImageWidth");
    a.getImageHeight = SystemProcedure<decltype(a.getImageHeight)>(dll, "GdipGetImageHeight");
    a.createFromHdc = SystemProcedure<decltype(a.createFromHdc)>(dll, "GdipCreateFromHDC");
    a.deleteGraphics = SystemProcedure<decltype(a.deleteGraphics)>(dll, "GdipDeleteGraphics");
    a.setInterpolationMode =
        SystemProcedure<decltype(a.setInterpolationMode)>(dll, "GdipSetInterpolationMode");
    a.drawImageRectI = SystemProcedure<decltype(a.drawImageRectI)>(dll, "GdipDrawImageRectI");
    return a;
  }();
  return api;
}

}  // namespace

DecodedPicture::~DecodedPicture() {
  if (image_ && Gdiplus().disposeImage) Gdiplus().disposeImage(image_);
}

unsigned DecodedPicture::Width() const {
  UINT width = 0;
  if (Gdiplus().getImageWidth) Gdiplus().getImageWidth(image_, &width);
  return width;
}

unsigned DecodedPicture::Height() const {
  UINT height = 0;
  if (Gdiplus().getImageHeight) Gdiplus().getImageHeight(image_, &height);
  return height;
}

SharedPicture DecodePicture(const std::uint8_t* data, std::size_t size) {
  const GdiplusApi& gdiplus = Gdiplus();
  if (!gdiplus.complete() || !data || size == 0) return {};
  platform::win32::ScopedGlobalMemory block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
  if (!block) return {};
  void* bytes = GlobalLock(block.get());
  if (!bytes) return {};
  std::memcpy(bytes, data, size);
  GlobalUnlock(block.get());
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(block.get(), TRUE, &stream)) || !stream) return {};
  // The stream frees the block when its last reference goes.
  block.release();
  void* bitmap = nullptr;
  const GpStatus status = gdiplus.createBitmapFromStream(stream, &bitmap);
  stream->Release();  // the bitmap holds its own reference
  if (status != kGpOk || !bitmap) return {};
  return std::make_shared<DecodedPicture>(bitmap);
}

SharedPicture LoadImageFromResource(HMODULE module, int id, const wchar_t* type) {
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (!resource) return {};
  const DWORD size = SizeofResource(module, resource);
  if (size == 0) return {};
  HGLOBAL loaded = LoadResource(module, resource);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return {};
  return DecodePicture(static_cast<const std::uint8_t*>(data), size);
}

bool DrawPicture(HDC dc, const DecodedPicture& picture, int x, int y, int width, int height) {
  const GdiplusApi& gdiplus = Gdiplus();
  if (!gdiplus.complete() || !picture.gdiplusImage()) return false;
  void* graphics = nullptr;
  if (gdiplus.createFromHdc(dc, &graphics) != kGpOk || !graphics) return false;
  // The artwork is larger than the controls; smooth the reduction.
  gdiplus.setInterpolationMode(graphics, kInterpolationHighQualityBicubic);
  const bool drawn =
      gdiplus.drawImageRectI(graphics, picture.gdiplusImage(), x, y, width, height) == kGpOk;
  gdiplus.deleteGraphics(graphics);
  return drawn;
}

void CStaticFromImage::SetImage(SharedPicture image) {
  image_ = std::move(image);
  if (hwnd()) InvalidateRect(hwnd(), nullptr, TRUE);
}

void CStaticFromImage::LoadFromResource(int id, const wchar_t* type) {
  SetImage(LoadImageFromResource(GetModuleHandleW(nullptr), id, type));
}

LRESULT CStaticFromImage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return TRUE;  // OnPaint fills the background itself
    default:
      return Control::WindowProc(message, wParam, lParam);
  }
}

void CStaticFromImage::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd(), &paint);
  RECT client;
  GetClientRect(hwnd(), &client);
  // The page's background first: a cleared picture leaves nothing behind and
  // transparent parts of a picture do not pile up over repaints.
  if (HBRUSH background = ParentBackground(dc)) FillRect(dc, &client, background);
  if (image_) DrawPicture(dc, *image_, 0, 0, client.right, client.bottom);
  EndPaint(hwnd(), &paint);
}
