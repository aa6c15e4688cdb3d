// PNG through the Windows Imaging Component, which ships with Windows, so the
// Win32 executable needs no PNG library of its own. COM objects are held in
// small owners that release them on every path.
#include <wincodec.h>
#include <windows.h>

#include "formats/png_codec.h"
#include "formats/wic_com.h"

namespace tavrin::png {

namespace {

using wic::Com;
using wic::ComScope;
using wic::failed;

bool is_indexed(const WICPixelFormatGUID& format) {
    return IsEqualGUID(format, GUID_WICPixelFormat1bppIndexed) ||
           IsEqualGUID(format, GUID_WICPixelFormat2bppIndexed) ||
           IsEqualGUID(format, GUID_WICPixelFormat4bppIndexed) ||
           IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed);
}

bool make_factory(Com<IWICImagingFactory>& factory, std::string& reason) {
    return !failed(
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out())),
        "start", reason);
}

}  // namespace

bool decode(std::span<const std::uint8_t> bytes, std::size_t max_colors, Decoded& decoded,
            std::string& reason) {
    decoded = Decoded{};
    const ComScope com;
    Com<IWICImagingFactory> factory;
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    if (!make_factory(factory, reason) ||
        failed(factory->CreateStream(stream.out()), "open the data", reason) ||
        failed(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()),
                                            static_cast<DWORD>(bytes.size())),
               "open the data", reason) ||
        failed(factory->CreateDecoderFromStream(stream.get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, decoder.out()),
               "read it as an image", reason) ||
        failed(decoder->GetFrame(0, frame.out()), "read its image", reason)) {
        return false;
    }
    WICPixelFormatGUID format{};
    if (failed(frame->GetPixelFormat(&format), "read its pixel format", reason)) {
        return false;
    }
    if (is_indexed(format)) {
        Com<IWICPalette> palette;
        UINT count = 0;
        if (failed(factory->CreatePalette(palette.out()), "make a palette", reason) ||
            failed(frame->CopyPalette(palette.get()), "read its palette", reason) ||
            failed(palette->GetColorCount(&count), "read its palette", reason)) {
            return false;
        }
        std::vector<WICColor> colors(count);
        UINT got = 0;
        if (count > 0 &&
            failed(palette->GetColors(count, colors.data(), &got), "read its palette", reason)) {
            return false;
        }
        decoded.indexed = true;
        for (UINT i = 0; i < got; ++i) {
            const WICColor argb = colors[i];
            decoded.colors.push_back(
                Rgba{static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
                     static_cast<std::uint8_t>(argb), static_cast<std::uint8_t>(argb >> 24)});
        }
        return true;
    }
    UINT width = 0;
    UINT height = 0;
    if (failed(frame->GetSize(&width, &height), "read its size", reason)) {
        return false;
    }
    if (static_cast<std::uint64_t>(width) * height > max_pixels) {
        reason = "the image is " + std::to_string(width) + " x " + std::to_string(height) +
                 " pixels, more than Tavrin reads colours from (" + std::to_string(max_pixels) +
                 ")";
        return false;
    }
    Com<IWICFormatConverter> converter;
    if (failed(factory->CreateFormatConverter(converter.out()), "convert its pixels", reason) ||
        failed(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppRGBA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom),
               "convert its pixels", reason)) {
        return false;
    }
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    if (!pixels.empty() &&
        failed(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size()),
                                     pixels.data()),
               "decode its pixels", reason)) {
        return false;
    }
    collect_colors(pixels, max_colors, decoded);
    return true;
}

bool encode_indexed(std::span<const Rgba> palette, std::vector<std::uint8_t>& bytes,
                    std::string& reason) {
    bytes.clear();
    if (palette.empty() || palette.size() > 256) {
        reason = "a PNG palette holds 1 to 256 colours, not " + std::to_string(palette.size());
        return false;
    }
    const ComScope com;
    const auto width = static_cast<UINT>(palette.size() * swatch_pixels);
    std::vector<WICColor> colors;
    for (const Rgba& color : palette) {
        colors.push_back((WICColor{color.alpha} << 24) | (WICColor{color.red} << 16) |
                         (WICColor{color.green} << 8) | color.blue);
    }
    std::vector<BYTE> pixels(static_cast<std::size_t>(width) * swatch_pixels);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<BYTE>((i % width) / swatch_pixels);
    }
    Com<IWICImagingFactory> factory;
    Com<IStream> stream;
    Com<IWICBitmapEncoder> encoder;
    Com<IWICBitmapFrameEncode> frame;
    Com<IPropertyBag2> options;
    Com<IWICPalette> wic_palette;
    WICPixelFormatGUID format = GUID_WICPixelFormat8bppIndexed;
    if (!make_factory(factory, reason) ||
        failed(CreateStreamOnHGlobal(nullptr, TRUE, stream.out()), "allocate memory", reason) ||
        failed(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out()),
               "start a PNG", reason) ||
        failed(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache), "start a PNG", reason) ||
        failed(encoder->CreateNewFrame(frame.out(), options.out()), "start a PNG", reason) ||
        failed(frame->Initialize(options.get()), "start a PNG", reason) ||
        failed(frame->SetSize(width, swatch_pixels), "size the PNG", reason) ||
        failed(frame->SetPixelFormat(&format), "make an indexed PNG", reason)) {
        return false;
    }
    if (!IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed)) {
        reason = "the Windows Imaging Component cannot write an 8-bit indexed PNG";
        return false;
    }
    if (failed(factory->CreatePalette(wic_palette.out()), "make a palette", reason) ||
        failed(wic_palette->InitializeCustom(colors.data(), static_cast<UINT>(colors.size())),
               "make a palette", reason) ||
        failed(frame->SetPalette(wic_palette.get()), "set the palette", reason) ||
        failed(frame->WritePixels(swatch_pixels, width, static_cast<UINT>(pixels.size()),
                                  pixels.data()),
               "write the pixels", reason) ||
        failed(frame->Commit(), "finish the PNG", reason) ||
        failed(encoder->Commit(), "finish the PNG", reason)) {
        return false;
    }
    STATSTG stat{};
    HGLOBAL memory = nullptr;
    if (failed(stream->Stat(&stat, STATFLAG_NONAME), "measure the PNG", reason) ||
        failed(GetHGlobalFromStream(stream.get(), &memory), "read the PNG back", reason)) {
        return false;
    }
    const auto* data = static_cast<const std::uint8_t*>(GlobalLock(memory));
    if (data == nullptr) {
        reason = "the PNG in memory could not be read back";
        return false;
    }
    bytes.assign(data, data + stat.cbSize.QuadPart);
    GlobalUnlock(memory);
    return true;
}

}  // namespace tavrin::png
