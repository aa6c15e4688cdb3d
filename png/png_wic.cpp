// PNG through the Windows Imaging Component, which ships with Windows. COM
// objects are held in small owners that release them on every path.
#include <wincodec.h>
#include <windows.h>

#include "png/png.h"

namespace tavrin::png {

namespace {

template <class T>
class Com {
  public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
    }
    T** out() { return &pointer_; }
    T* operator->() const { return pointer_; }
    T* get() const { return pointer_; }

  private:
    T* pointer_ = nullptr;
};

// COM for the duration of one call; a thread already set up stays as it was.
class ComScope {
  public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

  private:
    HRESULT result_;
};

bool failed(HRESULT result, const char* what, std::string& reason) {
    if (SUCCEEDED(result)) {
        return false;
    }
    char code[16];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(result));
    reason = std::string("the Windows Imaging Component could not ") + what + " (" + code + ")";
    return true;
}

bool make_factory(Com<IWICImagingFactory>& factory, std::string& reason) {
    return !failed(
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out())),
        "start", reason);
}

// Bits per index of an indexed pixel format; 0 for any other.
UINT index_bits(const WICPixelFormatGUID& format) {
    if (IsEqualGUID(format, GUID_WICPixelFormat1bppIndexed)) {
        return 1;
    }
    if (IsEqualGUID(format, GUID_WICPixelFormat2bppIndexed)) {
        return 2;
    }
    if (IsEqualGUID(format, GUID_WICPixelFormat4bppIndexed)) {
        return 4;
    }
    return IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed) ? 8 : 0;
}

WICColor argb_of(const Rgba& color) {
    return (WICColor{color.alpha} << 24) | (WICColor{color.red} << 16) |
           (WICColor{color.green} << 8) | color.blue;
}

bool read_palette(IWICImagingFactory& factory, IWICBitmapFrameDecode& frame, Image& image,
                  std::string& reason) {
    Com<IWICPalette> palette;
    UINT count = 0;
    if (failed(factory.CreatePalette(palette.out()), "make a palette", reason) ||
        failed(frame.CopyPalette(palette.get()), "read its palette", reason) ||
        failed(palette->GetColorCount(&count), "read its palette", reason)) {
        return false;
    }
    std::vector<WICColor> colors(count);
    UINT got = 0;
    if (count > 0 &&
        failed(palette->GetColors(count, colors.data(), &got), "read its palette", reason)) {
        return false;
    }
    for (UINT i = 0; i < got; ++i) {
        const WICColor argb = colors[i];
        image.palette.push_back(
            Rgba{static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
                 static_cast<std::uint8_t>(argb), static_cast<std::uint8_t>(argb >> 24)});
    }
    return true;
}

// The frame's indices, unpacked to one byte each, the leftmost pixel in the
// high bits as PNG packs them.
bool read_indices(IWICBitmapFrameDecode& frame, UINT bits, Image& image, std::string& reason) {
    const auto width = static_cast<std::size_t>(image.width);
    const std::size_t stride = (width * bits + 7) / 8;
    std::vector<BYTE> packed(stride * static_cast<std::size_t>(image.height));
    if (!packed.empty() && failed(frame.CopyPixels(nullptr, static_cast<UINT>(stride),
                                                   static_cast<UINT>(packed.size()), packed.data()),
                                  "decode its pixels", reason)) {
        return false;
    }
    image.pixels.resize(width * static_cast<std::size_t>(image.height));
    const unsigned mask = (1u << bits) - 1;
    for (std::size_t y = 0; y < static_cast<std::size_t>(image.height); ++y) {
        for (std::size_t x = 0; x < width; ++x) {
            const std::size_t bit = x * bits;
            const unsigned byte = packed[y * stride + bit / 8];
            image.pixels[y * width + x] =
                static_cast<std::uint8_t>((byte >> (8 - bits - bit % 8)) & mask);
        }
    }
    return true;
}

bool read_rgba(IWICImagingFactory& factory, IWICBitmapFrameDecode& frame, Image& image,
               std::string& reason) {
    Com<IWICFormatConverter> converter;
    if (failed(factory.CreateFormatConverter(converter.out()), "convert its pixels", reason) ||
        failed(converter->Initialize(&frame, GUID_WICPixelFormat32bppRGBA, WICBitmapDitherTypeNone,
                                     nullptr, 0.0, WICBitmapPaletteTypeCustom),
               "convert its pixels", reason)) {
        return false;
    }
    const auto stride = static_cast<UINT>(image.width) * 4;
    image.pixels.resize(std::size_t{stride} * static_cast<std::size_t>(image.height));
    return image.pixels.empty() ||
           !failed(converter->CopyPixels(nullptr, stride, static_cast<UINT>(image.pixels.size()),
                                         image.pixels.data()),
                   "decode its pixels", reason);
}

// What the encoder is given: indices as they are, else rows of blue, green,
// red (and alpha) bytes, the formats its PNG encoder takes without converting.
std::vector<BYTE> encoder_pixels(const Image& image, bool with_alpha) {
    if (image.indexed()) {
        return image.pixels;
    }
    const std::size_t channels = with_alpha ? 4 : 3;
    std::vector<BYTE> out(image.pixels.size() / 4 * channels);
    for (std::size_t from = 0, to = 0; to < out.size(); from += 4, to += channels) {
        out[to] = image.pixels[from + 2];
        out[to + 1] = image.pixels[from + 1];
        out[to + 2] = image.pixels[from];
        if (with_alpha) {
            out[to + 3] = image.pixels[from + 3];
        }
    }
    return out;
}

bool copy_out(IStream& stream, std::vector<std::uint8_t>& bytes, std::string& reason) {
    STATSTG stat{};
    HGLOBAL memory = nullptr;
    if (failed(stream.Stat(&stat, STATFLAG_NONAME), "measure the PNG", reason) ||
        failed(GetHGlobalFromStream(&stream, &memory), "read the PNG back", reason)) {
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

}  // namespace

bool decode(std::span<const std::uint8_t> bytes, Image& image, std::vector<std::string>& warnings,
            std::string& reason) {
    image = Image{};
    warnings.clear();
    const ComScope com;
    Com<IWICImagingFactory> factory;
    Com<IWICStream> stream;
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    WICPixelFormatGUID format{};
    UINT width = 0;
    UINT height = 0;
    if (!make_factory(factory, reason) ||
        failed(factory->CreateStream(stream.out()), "open the data", reason) ||
        failed(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()),
                                            static_cast<DWORD>(bytes.size())),
               "open the data", reason) ||
        failed(factory->CreateDecoderFromStream(stream.get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, decoder.out()),
               "read it as an image", reason) ||
        failed(decoder->GetFrame(0, frame.out()), "read its image", reason) ||
        failed(frame->GetPixelFormat(&format), "read its pixel format", reason) ||
        failed(frame->GetSize(&width, &height), "read its size", reason) ||
        !within_limit(width, height, reason)) {
        return false;
    }
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    const UINT bits = index_bits(format);
    const bool ok = bits > 0 ? read_palette(*factory.get(), *frame.get(), image, reason) &&
                                   read_indices(*frame.get(), bits, image, reason)
                             : read_rgba(*factory.get(), *frame.get(), image, reason);
    if (!ok) {
        image = Image{};
    }
    return ok;
}

bool encode(const Image& image, std::vector<std::uint8_t>& bytes, std::string& reason) {
    bytes.clear();
    if (!encodable(image, reason)) {
        return false;
    }
    const bool with_alpha = !image.indexed() && !opaque(image);
    const WICPixelFormatGUID wanted = image.indexed() ? GUID_WICPixelFormat8bppIndexed
                                      : with_alpha    ? GUID_WICPixelFormat32bppBGRA
                                                      : GUID_WICPixelFormat24bppBGR;
    std::vector<BYTE> pixels = encoder_pixels(image, with_alpha);
    const auto width = static_cast<UINT>(image.width);
    const auto height = static_cast<UINT>(image.height);
    const auto stride = static_cast<UINT>(pixels.size() / height);

    const ComScope com;
    Com<IWICImagingFactory> factory;
    Com<IStream> stream;
    Com<IWICBitmapEncoder> encoder;
    Com<IWICBitmapFrameEncode> frame;
    Com<IPropertyBag2> options;
    WICPixelFormatGUID format = wanted;
    if (!make_factory(factory, reason) ||
        failed(CreateStreamOnHGlobal(nullptr, TRUE, stream.out()), "allocate memory", reason) ||
        failed(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out()),
               "start a PNG", reason) ||
        failed(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache), "start a PNG", reason) ||
        failed(encoder->CreateNewFrame(frame.out(), options.out()), "start a PNG", reason) ||
        failed(frame->Initialize(options.get()), "start a PNG", reason) ||
        failed(frame->SetSize(width, height), "size the PNG", reason) ||
        failed(frame->SetPixelFormat(&format), "choose the PNG's pixel format", reason)) {
        return false;
    }
    if (!IsEqualGUID(format, wanted)) {
        reason = "the Windows Imaging Component cannot write this kind of PNG";
        return false;
    }
    if (image.indexed()) {
        std::vector<WICColor> colors;
        for (const Rgba& color : image.palette) {
            colors.push_back(argb_of(color));
        }
        Com<IWICPalette> palette;
        if (failed(factory->CreatePalette(palette.out()), "make a palette", reason) ||
            failed(palette->InitializeCustom(colors.data(), static_cast<UINT>(colors.size())),
                   "make a palette", reason) ||
            failed(frame->SetPalette(palette.get()), "set the palette", reason)) {
            return false;
        }
    }
    return !failed(
               frame->WritePixels(height, stride, static_cast<UINT>(pixels.size()), pixels.data()),
               "write the pixels", reason) &&
           !failed(frame->Commit(), "finish the PNG", reason) &&
           !failed(encoder->Commit(), "finish the PNG", reason) &&
           copy_out(*stream.get(), bytes, reason);
}

}  // namespace tavrin::png
