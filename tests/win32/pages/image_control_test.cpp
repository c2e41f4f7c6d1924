// Pictures: the three resource pictures decode through GDI+ and paint
// stretched; bad input gives an empty picture; shared pictures live as long
// as their last holder.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/image_control.h"
#include "pages_support.h"
#include "platform/win32/scoped_handle.h"

namespace {

// A 32-bit top-down memory bitmap, filled with one colour.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_.reset(CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
    old_ = SelectObject(dc_, bitmap_.get());
    RECT all{0, 0, width, height};
    const platform::win32::ScopedBrush brush(CreateSolidBrush(fill));
    FillRect(dc_, &all, brush.get());
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    bitmap_.reset();
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(double fx, double fy) const {
    GdiFlush();
    const int x = static_cast<int>(fx * width_), y = static_cast<int>(fy * height_);
    const std::uint32_t pixel = static_cast<const std::uint32_t*>(bits_)[y * width_ + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
  }

 private:
  int width_, height_;
  HDC dc_;
  platform::win32::ScopedBitmap bitmap_;
  HGDIOBJ old_;
  void* bits_ = nullptr;
};

// Colours may differ by a step or two after smoothing.
::testing::AssertionResult Near(COLORREF actual, COLORREF expected) {
  auto close = [](int a, int b) { return a - b <= 6 && b - a <= 6; };
  if (close(GetRValue(actual), GetRValue(expected)) && close(GetGValue(actual), GetGValue(expected)) &&
      close(GetBValue(actual), GetBValue(expected))) {
    return ::testing::AssertionSuccess();
  }
  char text[80];
  wsprintfA(text, "colour %06lX, expected near %06lX", static_cast<unsigned long>(actual),
            static_cast<unsigned long>(expected));
  return ::testing::AssertionFailure() << text;
}

const COLORREF kGreen = RGB(0x7F, 0xBC, 0x42);
const COLORREF kRed = RGB(0xD9, 0x45, 0x3B);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlue = RGB(0, 0, 255);

TEST(PictureResources, EachDecodesWithItsType) {
  struct Case {
    int id;
    const wchar_t* type;
    double x, y;  // a point well inside the picture's main colour
    COLORREF colour;
  };
  const Case cases[] = {
      {101, L"IMAGE_BLOB", 0.10, 0.50, kGreen},   // tile edge
      {102, L"IMAGE_BLOB2", 0.15, 0.50, kGreen},  // disc
      {103, L"IMAGE_BLOB3", 0.15, 0.50, kRed},    // disc
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    SharedPicture picture = LoadImageFromResource(GetModuleHandleW(nullptr), c.id, c.type);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Width(), 128u);
    EXPECT_EQ(picture->Height(), 128u);
    Canvas canvas(64, 64, kBlue);
    ASSERT_TRUE(DrawPicture(canvas.dc(), *picture, 0, 0, 64, 64));
    EXPECT_TRUE(Near(canvas.At(c.x, c.y), c.colour));
    // The corners are transparent: the canvas shows through.
    EXPECT_TRUE(Near(canvas.At(0.0, 0.0), kBlue));
  }
}

TEST(PictureResources, MissingWrongTypeOrUndecodableGiveNothing) {
  HMODULE self = GetModuleHandleW(nullptr);
  EXPECT_FALSE(LoadImageFromResource(self, 999, L"IMAGE_BLOB"));
  EXPECT_FALSE(LoadImageFromResource(self, 101, L"IMAGE_BLOB2"));  // 101 is of type IMAGE_BLOB
  EXPECT_FALSE(LoadImageFromResource(self, 101, L"LOCALE"));
  const std::uint8_t garbage[] = "not a picture at all, just text";
  EXPECT_FALSE(DecodePicture(garbage, sizeof garbage));
  EXPECT_FALSE(DecodePicture(garbage, 0));
  EXPECT_FALSE(DecodePicture(nullptr, 10));
  // The first bytes of a PNG and then nothing.
  const std::uint8_t truncated[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13};
  EXPECT_FALSE(DecodePicture(truncated, sizeof truncated));
}

TEST(PictureResources, PaintsStretchedWithoutKeepingProportions) {
  SharedPicture picture = LoadImageFromResource(GetModuleHandleW(nullptr), 102, L"IMAGE_BLOB2");
  ASSERT_TRUE(picture);
  // Four times as wide as tall: kept proportions would leave the right part
  // of the canvas empty.
  Canvas canvas(200, 50, kBlue);
  ASSERT_TRUE(DrawPicture(canvas.dc(), *picture, 0, 0, 200, 50));
  EXPECT_TRUE(Near(canvas.At(0.10, 0.50), kGreen));
  EXPECT_TRUE(Near(canvas.At(0.88, 0.50), kGreen));
  EXPECT_TRUE(Near(canvas.At(0.50, 0.02), kBlue) || Near(canvas.At(0.50, 0.02), kGreen));
  EXPECT_TRUE(Near(canvas.At(0.01, 0.02), kBlue));
}

// A static control on a visible window, with a picture control attached.
class PictureControl : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 10, 10, 300, 120, nullptr,
                              nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
    for (HWND& child : statics_) {
      const int index = static_cast<int>(&child - statics_);
      child = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE | SS_BITMAP, 10 + index * 150, 10,
                              120, 60, window_, nullptr, nullptr, nullptr);
      ASSERT_NE(child, nullptr);
    }
  }
  void TearDown() override { DestroyWindow(window_); }

  // What the control shows on screen at a fraction of its client area.
  COLORREF Shown(HWND control, double fx, double fy) {
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PumpMessages();
    HDC dc = GetDC(control);
    RECT client;
    GetClientRect(control, &client);
    const COLORREF colour = GetPixel(dc, static_cast<int>(fx * client.right), static_cast<int>(fy * client.bottom));
    ReleaseDC(control, dc);
    return colour;
  }

  HWND window_ = nullptr;
  HWND statics_[2] = {};
};

TEST_F(PictureControl, SharedPicturePaintsInBothAndLivesUntilBothLetGo) {
  CStaticFromImage first, second;
  ASSERT_TRUE(first.Attach(statics_[0]));
  ASSERT_TRUE(second.Attach(statics_[1]));
  std::weak_ptr<DecodedPicture> watch;
  {
    SharedPicture picture = LoadImageFromResource(GetModuleHandleW(nullptr), 103, L"IMAGE_BLOB3");
    ASSERT_TRUE(picture);
    watch = picture;
    first.SetImage(picture);
    second.SetImage(picture);
  }
  EXPECT_TRUE(Near(Shown(statics_[0], 0.12, 0.5), kRed));
  EXPECT_TRUE(Near(Shown(statics_[1], 0.12, 0.5), kRed));
  // The control is 2:1, the picture 1:1: stretched, the disc reaches near the right edge.
  EXPECT_TRUE(Near(Shown(statics_[0], 0.88, 0.5), kRed));

  first.SetImage(nullptr);
  EXPECT_FALSE(watch.expired()) << "the second control still shows it";
  EXPECT_FALSE(Near(Shown(statics_[0], 0.12, 0.5), kRed)) << "a cleared control shows no picture";
  EXPECT_TRUE(Near(Shown(statics_[1], 0.12, 0.5), kRed));
  second.SetImage(nullptr);
  EXPECT_TRUE(watch.expired());
}

TEST_F(PictureControl, LoadFromResourceOfTheOwnModule) {
  CStaticFromImage control;
  ASSERT_TRUE(control.Attach(statics_[0]));
  control.LoadFromResource(102, L"IMAGE_BLOB2");
  ASSERT_TRUE(control.image());
  EXPECT_TRUE(Near(Shown(statics_[0], 0.15, 0.5), kGreen));
  control.LoadFromResource(4711, L"IMAGE_BLOB2");
  EXPECT_FALSE(control.image()) << "a missing resource leaves the control empty";
}

}  // namespace
