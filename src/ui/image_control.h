// Pictures: a decoded GDI+ image shared by everyone who shows it, the loaders
// for the program's own picture resources and for pictures that arrive as
// bytes, and CStaticFromImage, the static control that paints one picture
// stretched over its whole client area.
//
// GDI+ is reached through its flat API, loaded from System32 at run time, and
// must be started (GdiplusStartup) before anything here decodes or paints.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "ui/control.h"

// One decoded GDI+ image (a GpImage). Shared: the settings' logoImage, each
// offer's image and every control that shows it hold the same picture, which
// is disposed when the last reference goes — before GDI+ shuts down.
class DecodedPicture {
 public:
  explicit DecodedPicture(void* gdiplusImage) : image_(gdiplusImage) {}
  ~DecodedPicture();
  DecodedPicture(const DecodedPicture&) = delete;
  DecodedPicture& operator=(const DecodedPicture&) = delete;

  void* gdiplusImage() const { return image_; }
  unsigned Width() const;
  unsigned Height() const;

 private:
  void* image_;
};

using SharedPicture = std::shared_ptr<DecodedPicture>;

// Decodes a picture file (PNG, JPEG, GIF, BMP, ...) held in memory; empty
// when it cannot be decoded.
SharedPicture DecodePicture(const std::uint8_t* data, std::size_t size);

// The picture resource `id` of type `type` ("IMAGE_BLOB", "IMAGE_BLOB2",
// "IMAGE_BLOB3") in `module`; empty when it is missing, empty or undecodable.
SharedPicture LoadImageFromResource(HMODULE module, int id, const wchar_t* type);

// Draws `picture` stretched into (x, y, width, height) of `dc`, without
// keeping its proportions. False when nothing could be drawn.
bool DrawPicture(HDC dc, const DecodedPicture& picture, int x, int y, int width, int height);

class CStaticFromImage : public ui::Control {
 public:
  // Replaces the picture (empty clears it) and repaints the whole control.
  void SetImage(SharedPicture image);
  // Loads a picture resource of the program's own module (empty on failure).
  void LoadFromResource(int id, const wchar_t* type);
  const SharedPicture& image() const { return image_; }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void OnPaint();

  SharedPicture image_;
};
