// The embedded fonts and pictures as the program uses them: each RT_FONT
// resource loads with AddFontMemResourceEx, GDI picks it by family name and
// lays digits out with equal widths; the icons load with an alpha channel.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

struct FontCase {
  int id;
  const wchar_t* family;
};

constexpr std::array<FontCase, 6> kFonts{{
    {1, L"Digital Display"},
    {2, L"Digital-7"},
    {3, L"DJB Get Digital"},
    {4, L"MOSCOW2024"},
    {5, L"Seven Segment"},
    {6, L"Typo Digit Demo"},
}};

// A font registered from this module's resources, removed again on scope exit.
class MemoryFont {
 public:
  explicit MemoryFont(int id) {
    HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(8) /* RT_FONT */);
    if (!info) return;
    HGLOBAL data = LoadResource(nullptr, info);
    size_ = SizeofResource(nullptr, info);
    void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes || size_ == 0) return;
    DWORD installed = 0;
    handle_ = AddFontMemResourceEx(bytes, size_, nullptr, &installed);
    installed_ = installed;
  }
  ~MemoryFont() {
    if (handle_) RemoveFontMemResourceEx(handle_);
  }
  MemoryFont(const MemoryFont&) = delete;
  MemoryFont& operator=(const MemoryFont&) = delete;

  HANDLE handle() const { return handle_; }
  DWORD size() const { return size_; }
  DWORD installed() const { return installed_; }

 private:
  HANDLE handle_ = nullptr;
  DWORD size_ = 0;
  DWORD installed_ = 0;
};

// A memory DC with one font selected; restores the DC on scope exit.
class FontDc {
 public:
  FontDc(const wchar_t* family, int height) {
    dc_ = CreateCompatibleDC(nullptr);
    LOGFONTW lf{};
    lf.lfHeight = -height;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = ANTIALIASED_QUALITY;
    lstrcpynW(lf.lfFaceName, family, LF_FACESIZE);
    font_ = CreateFontIndirectW(&lf);
    old_ = SelectObject(dc_, font_);
  }
  ~FontDc() {
    SelectObject(dc_, old_);
    DeleteObject(font_);
    DeleteDC(dc_);
  }
  FontDc(const FontDc&) = delete;
  FontDc& operator=(const FontDc&) = delete;

  HDC dc() const { return dc_; }
  bool ok() const { return dc_ && font_; }

  std::wstring Face() const {
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc_, LF_FACESIZE, face);
    return face;
  }
  SIZE Extent(const std::wstring& text) const {
    SIZE size{};
    GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
  }

 private:
  HDC dc_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

TEST(EmbeddedFonts, EachLoadsAndIsChosenByFamilyName) {
  for (const auto& f : kFonts) {
    SCOPED_TRACE(Narrow(f.family));
    MemoryFont font(f.id);
    ASSERT_GT(font.size(), 0u) << "RT_FONT resource " << f.id << " missing";
    ASSERT_NE(font.handle(), nullptr);
    EXPECT_EQ(font.installed(), 1u);

    FontDc dc(f.family, 90);
    ASSERT_TRUE(dc.ok());
    EXPECT_EQ(Narrow(dc.Face()), Narrow(f.family));

    TEXTMETRICW tm{};
    ASSERT_TRUE(GetTextMetricsW(dc.dc(), &tm));
    EXPECT_GT(tm.tmAscent, 0);
    EXPECT_GE(tm.tmDescent, 0);
  }
}

TEST(EmbeddedFonts, DigitsHaveEqualAdvances) {
  for (const auto& f : kFonts) {
    SCOPED_TRACE(Narrow(f.family));
    MemoryFont font(f.id);
    ASSERT_NE(font.handle(), nullptr);
    for (int height : {12, 90, 400}) {
      FontDc dc(f.family, height);
      const SIZE zero = dc.Extent(L"0");
      EXPECT_GT(zero.cx, 0);
      for (const wchar_t* digit : {L"1", L"4", L"7", L"8"}) {
        const SIZE other = dc.Extent(digit);
        EXPECT_EQ(other.cx, zero.cx) << "height " << height << " digit " << Narrow(digit);
        EXPECT_EQ(other.cy, zero.cy);
      }
      // A counter's width depends only on its number of digits.
      EXPECT_EQ(dc.Extent(L"1111").cx, dc.Extent(L"5000").cx) << "height " << height;
    }
  }
}

TEST(EmbeddedFonts, DigitsStayInsideTheTextCell) {
  // The window is sized to the text extent: the ink of every digit must lie
  // inside it, or GDI clips the edges (slanted faces especially).
  for (const auto& f : kFonts) {
    SCOPED_TRACE(Narrow(f.family));
    MemoryFont font(f.id);
    ASSERT_NE(font.handle(), nullptr);
    FontDc dc(f.family, 200);
    for (wchar_t ch = L'0'; ch <= L'9'; ++ch) {
      GLYPHMETRICS gm{};
      const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
      ASSERT_NE(GetGlyphOutlineW(dc.dc(), ch, GGO_METRICS, &gm, 0, nullptr, &identity), GDI_ERROR);
      TEXTMETRICW tm{};
      GetTextMetricsW(dc.dc(), &tm);
      const SIZE cell = dc.Extent(std::wstring(1, ch));
      EXPECT_GE(gm.gmptGlyphOrigin.x, 0) << char(ch);
      EXPECT_LE(gm.gmptGlyphOrigin.x + static_cast<LONG>(gm.gmBlackBoxX), cell.cx + 1) << char(ch);
      EXPECT_LE(gm.gmptGlyphOrigin.y, tm.tmAscent + 1) << char(ch);
      EXPECT_GE(gm.gmptGlyphOrigin.y - static_cast<LONG>(gm.gmBlackBoxY), -tm.tmDescent - 1) << char(ch);
    }
  }
}

// Bits per pixel of an icon's colour bitmap, 0 when it does not load.
int IconColourBits(const wchar_t* name, int size, bool* has_transparency) {
  HICON icon = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  if (!icon) return 0;
  ICONINFO info{};
  int bits = 0;
  if (GetIconInfo(icon, &info)) {
    BITMAP bm{};
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bm, &bm) == sizeof bm && bm.bmWidth == size) {
      bits = bm.bmBitsPixel;
      // Read the pixels back to see the alpha really varies.
      BITMAPINFO bi{};
      bi.bmiHeader.biSize = sizeof bi.bmiHeader;
      bi.bmiHeader.biWidth = size;
      bi.bmiHeader.biHeight = -size;
      bi.bmiHeader.biPlanes = 1;
      bi.bmiHeader.biBitCount = 32;
      bi.bmiHeader.biCompression = BI_RGB;
      std::vector<DWORD> pixels(static_cast<size_t>(size) * size);
      HDC dc = GetDC(nullptr);
      if (GetDIBits(dc, info.hbmColor, 0, size, pixels.data(), &bi, DIB_RGB_COLORS) == size) {
        bool clear = false, solid = false;
        for (DWORD p : pixels) {
          clear = clear || (p >> 24) == 0;
          solid = solid || (p >> 24) == 0xFF;
        }
        *has_transparency = clear && solid;
      }
      ReleaseDC(nullptr, dc);
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
  }
  DestroyIcon(icon);
  return bits;
}

TEST(EmbeddedPictures, LoadWithAlphaChannel) {
  const struct {
    const wchar_t* name;
    int size;
  } cases[] = {
      {L"TRAY0", 16}, {L"TRAY0", 32}, {L"TRAY1", 16}, {L"TRAY1", 32},
      {L"TRAY2", 16}, {L"TRAY2", 32}, {L"MAINICON", 256}, {L"MAINICON", 48},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.name) + " " + std::to_string(c.size));
    bool transparency = false;
    EXPECT_EQ(IconColourBits(c.name, c.size, &transparency), 32);
    EXPECT_TRUE(transparency) << "expected clear surroundings and solid squares";
  }
}

}  // namespace
