// The application's icon: PNG files, the bitmap images of ICO files, and what an icon file offers.

#include "shared/exe/IconPictures.h"
#include "base/LittleEndian.h"
#include "shared/exe/IconDib.h"
#include "shared/exe/IconFile.h"
#include "shared/exe/PngFile.h"

#include <gtest/gtest.h>

#include <zlib.h>

using namespace Shared;

namespace {

TRgbaImage Solid(int width, int height, std::uint32_t rgba) {
    TRgbaImage image{width, height, {}};
    for (int i = 0; i < width * height; ++i) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            image.Pixels.push_back(static_cast<char>((rgba >> shift) & 0xFF));
        }
    }
    return image;
}

std::uint32_t PixelAt(const TRgbaImage& image, int x, int y) {
    const std::size_t at =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.Width) + static_cast<std::size_t>(x)) *
        4;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        v = v << 8 | static_cast<std::uint8_t>(image.Pixels[at + static_cast<std::size_t>(i)]);
    }
    return v;
}

// A bitmap image as icon files hold it: header, palette, colour rows and mask rows as given
// (bottom row first unless the height is negative).
std::string Dib(int width, int height, unsigned bits, const std::string& palette, const std::string& rows,
                const std::string& mask, std::uint32_t compression = 0, std::uint32_t colorsUsed = 0) {
    std::string s;
    AppendU32(s, 40);
    AppendU32(s, static_cast<std::uint32_t>(width));
    AppendU32(s, static_cast<std::uint32_t>(height * 2));
    AppendU16(s, 1);
    AppendU16(s, static_cast<std::uint16_t>(bits));
    AppendU32(s, compression);
    for (int i = 0; i < 3; ++i) {
        AppendU32(s, 0);
    }
    AppendU32(s, colorsUsed);
    AppendU32(s, 0);
    return s + palette + rows + mask;
}

std::string Icon(const std::vector<std::string>& images) {
    std::string s;
    AppendU16(s, 0);
    AppendU16(s, 1);
    AppendU16(s, static_cast<std::uint16_t>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (const std::string& image : images) {
        s += std::string(4, '\0');
        AppendU16(s, 1);
        AppendU16(s, 32);
        AppendU32(s, static_cast<std::uint32_t>(image.size()));
        AppendU32(s, offset);
        offset += static_cast<std::uint32_t>(image.size());
    }
    for (const std::string& image : images) {
        s += image;
    }
    return s;
}

// A 2x2 32-bit image with alpha: red, green on the top row; blue, half-transparent white below.
std::string Dib32() {
    const std::string bottom = std::string("\xFF\x00\x00\xFF", 4) + std::string("\xFF\xFF\xFF\x80", 4);
    const std::string top = std::string("\x00\x00\xFF\xFF", 4) + std::string("\x00\xFF\x00\xFF", 4);
    return Dib(2, 2, 32, "", bottom + top, std::string(8, '\0'));
}

} // namespace

TEST(PngFile, WritesWhatItsSizeReaderAcceptsAndRefusesBrokenChunks) {
    const std::string png = TPngFile::Encode(Solid(3, 2, 0xFF0000FF));
    const auto size = TPngFile::ReadSize(png);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->Width, 3);
    EXPECT_EQ(size->Height, 2);
    EXPECT_EQ(TPngFile::Encode(Solid(3, 2, 0xFF0000FF)), png); // same image, same bytes

    std::string badCrc = png;
    badCrc[20] ^= 1; // inside IHDR
    std::string noIhdrFirst = png;
    noIhdrFirst.replace(12, 4, "IHDX");
    const std::string broken[] = {
        "",          png.substr(0, 7),  png.substr(0, png.size() - 1), png + "x", badCrc,
        noIhdrFirst, png.substr(0, 33), // the signature and IHDR only: no IEND
    };
    for (const std::string& bytes : broken) {
        EXPECT_FALSE(TPngFile::ReadSize(bytes)) << bytes.size();
    }
}

TEST(IconDib, ReadsEveryDepthWithItsTransparency) {
    // 32 bits: the colours and the alpha as stored, the rows from the bottom up; the mask unused.
    const TRgbaImage alpha = TIconDib::Decode(Dib32());
    EXPECT_EQ(PixelAt(alpha, 0, 0), 0xFF0000FFu);
    EXPECT_EQ(PixelAt(alpha, 1, 0), 0x00FF00FFu);
    EXPECT_EQ(PixelAt(alpha, 0, 1), 0x0000FFFFu);
    EXPECT_EQ(PixelAt(alpha, 1, 1), 0xFFFFFF80u);

    // 32 bits without alpha, 24, 8, 4 and 1 bits: the mask says what is transparent. Each image
    // is 2x1: the left pixel opaque red, the right one masked out.
    const std::string mask = std::string("\x40\0\0\0", 4); // second pixel of the row
    const std::string red = std::string("\x00\x00\xFF\x00", 4);
    const std::string palette = red + std::string("\x00\xFF\x00\x00", 4);
    const std::vector<std::pair<std::string, std::string>> depths = {
        {"32 bits, alpha all 0", Dib(2, 1, 32, "", red + red, mask)},
        {"24 bits", Dib(2, 1, 24, "", std::string("\x00\x00\xFF\x00\x00\xFF\0\0", 8), mask)},
        {"16 bits", Dib(2, 1, 16, "", std::string("\x00\x7C\x00\x7C", 4), mask)},
        {"8 bits", Dib(2, 1, 8, palette, std::string("\x00\x01\0\0", 4), mask, 0, 2)},
        {"4 bits", Dib(2, 1, 4, palette + std::string(14 * 4, '\0'), std::string("\x01\0\0\0", 4), mask)},
        {"1 bit", Dib(2, 1, 1, palette, std::string("\x40\0\0\0", 4), mask)},
    };
    for (const auto& [what, dib] : depths) {
        const TRgbaImage image = TIconDib::Decode(dib);
        ASSERT_EQ(image.Width, 2) << what;
        EXPECT_EQ(PixelAt(image, 0, 0), 0xFF0000FFu) << what;
        EXPECT_EQ(PixelAt(image, 1, 0) & 0xFF, 0u) << what;
    }
    // Without a mask every pixel is opaque; a negative height runs from the top.
    EXPECT_EQ(PixelAt(TIconDib::Decode(Dib(2, 1, 24, "", std::string(8, '\0'), "")), 1, 0), 0x000000FFu);
    std::string topDown = Dib(1, 2, 24, "", std::string("\x00\x00\xFF\0\xFF\x00\x00\0", 8), "");
    PutU32(topDown, 8, static_cast<std::uint32_t>(-4));
    EXPECT_EQ(PixelAt(TIconDib::Decode(topDown), 0, 0), 0xFF0000FFu);
}

TEST(IconDib, RefusesWhatItCannotRead) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {Dib32().substr(0, 39), "cut off in its header"},
        {Dib32().substr(0, 50), "cut off in its pixels"},
        {Dib(2, 2, 32, "", std::string(16, '\0'), "", 1), "is compressed"},
        {Dib(2, 2, 2, "", std::string(8, '\0'), ""), "2 bits per pixel"},
        {Dib(0, 2, 32, "", "", ""), "1 to 1024 pixels a side"},
        {Dib(2000, 1, 1, "", "", ""), "1 to 1024 pixels a side"},
        {Dib(2, 1, 1, std::string(12, '\0'), std::string(4, '\0'), "", 0, 3), "3 palette colours for 1 bits"},
    };
    for (const auto& [dib, says] : cases) {
        try {
            TIconDib::Decode(dib);
            ADD_FAILURE() << "read: " << says;
        } catch (const EIconFileError& e) {
            EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
        }
    }
}

TEST(IconPictures, OffersThePicturesOfEachFormat) {
    const std::string png = TPngFile::Encode(Solid(48, 48, 0x00FF00FF));
    const auto fromPng = TIconPictures::Read(png);
    ASSERT_EQ(fromPng.size(), 1u);
    EXPECT_EQ(fromPng[0].Bytes, png);
    EXPECT_EQ(fromPng[0].Width, 48);
    EXPECT_FALSE(fromPng[0].Scalable);

    const std::string svg = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- drawn by hand -->\n"
                            "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 8 8\"/>";
    const auto fromSvg = TIconPictures::Read(svg);
    ASSERT_EQ(fromSvg.size(), 1u);
    EXPECT_TRUE(fromSvg[0].Scalable);
    EXPECT_EQ(fromSvg[0].Bytes, svg);

    // An ICO file: a PNG image of 64, two bitmaps of 2 (the one with more colours wins), one of
    // 1; smallest first, bitmaps turned into PNG files.
    const std::string big = TPngFile::Encode(Solid(64, 64, 0x0000FFFF));
    std::string dib24 = Dib(2, 2, 24, "", std::string(16, '\0'), std::string(8, '\0'));
    const std::string one = Dib(1, 1, 32, "", std::string("\x00\x00\xFF\xFF", 4), std::string(4, '\0'));
    const auto fromIco = TIconPictures::Read(Icon({big, dib24, Dib32(), one}));
    ASSERT_EQ(fromIco.size(), 3u);
    EXPECT_EQ(fromIco[0].Bytes, TPngFile::Encode(TIconDib::Decode(one)));
    EXPECT_EQ(fromIco[1].Bytes, TPngFile::Encode(TIconDib::Decode(Dib32())));
    EXPECT_EQ(fromIco[2].Bytes, big);
    EXPECT_EQ(fromIco[2].Width, 64);
}

TEST(IconPictures, RefusesFilesItCannotUseSayingWhy) {
    std::string hugePng = TPngFile::Encode(Solid(1, 1, 0));
    // IHDR says 2000 x 1 (with its CRC made to match).
    PutU32(hugePng, 16, 0);
    hugePng[16] = 0;
    hugePng[18] = 0x07;
    hugePng[19] = static_cast<char>(0xD0);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(hugePng.data() + 12), 17);
    for (int i = 0; i < 4; ++i) {
        hugePng[29 + static_cast<std::size_t>(i)] = static_cast<char>((crc >> (24 - 8 * i)) & 0xFF);
    }
    std::string cursor = Icon({Dib32()});
    cursor[2] = 2;
    const std::string damagedPng = std::string(TPngFile::Signature) + "garbage";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"GIF89a...", "not a PNG, SVG or ICO image"},
        {"<html><body>no drawing</body></html>", "not a PNG, SVG or ICO image"},
        {cursor, "not a PNG, SVG or ICO image"},
        {damagedPng, "the PNG file is damaged"},
        {hugePng, "the PNG image is 2000x1 pixels; an icon may have at most 1024 pixels a side"},
        {"<svg>\xFF</svg>", "the SVG file is not UTF-8 text"},
        {Icon({Dib32()}).substr(0, 30), "the ICO file is damaged"},
        {Icon({Dib32(), damagedPng}), "image 2 of the ICO file is a damaged PNG image"},
        {Icon({Dib(2, 2, 2, "", std::string(8, '\0'), "")}),
         "image 1 of the ICO file: the bitmap image has 2 bits"},
        {std::string(TIconPictures::MaxFileSize + 1, '\0'), "larger than 1 MiB"},
    };
    for (const auto& [bytes, says] : cases) {
        try {
            TIconPictures::Read(bytes);
            ADD_FAILURE() << "read: " << says;
        } catch (const EIconFileError& e) {
            EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
        }
    }
}
