// The Win32 build's PNG writer: the Windows Imaging Component, which ships
// with Windows, encodes into memory; the bytes go to disk in one safe step.
#include <wincodec.h>
#include <windows.h>

#include "files/clut_files.h"
#include "formats/wic_com.h"
#include "image/png_file.h"

namespace tavrin {

namespace {

using wic::Com;
using wic::ComScope;
using wic::failed;

}  // namespace

Status encode_png(int width, int height, std::span<const Argb> pixels,
                  std::vector<std::uint8_t>& png) {
    png.clear();
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return Status::failure(Status::Code::invalid_argument, "there is no picture to save");
    }
    // Rows of blue, green, red bytes: the 24-bit format the PNG encoder takes
    // as it is, with no conversion of its own.
    const UINT stride = static_cast<UINT>(width) * 3;
    std::vector<BYTE> bgr(pixels.size() * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const Rgb color = rgb_of(pixels[i]);
        bgr[i * 3] = color.blue;
        bgr[i * 3 + 1] = color.green;
        bgr[i * 3 + 2] = color.red;
    }
    const ComScope com;
    Com<IWICImagingFactory> factory;
    Com<IStream> stream;
    Com<IWICBitmapEncoder> encoder;
    Com<IWICBitmapFrameEncode> frame;
    Com<IPropertyBag2> options;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    std::string reason;
    if (failed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out())),
               "start", reason) ||
        failed(CreateStreamOnHGlobal(nullptr, TRUE, stream.out()), "allocate memory", reason) ||
        failed(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out()),
               "start a PNG", reason) ||
        failed(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache), "start a PNG", reason) ||
        failed(encoder->CreateNewFrame(frame.out(), options.out()), "start a PNG", reason) ||
        failed(frame->Initialize(options.get()), "start a PNG", reason) ||
        failed(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)), "size the PNG",
               reason) ||
        failed(frame->SetPixelFormat(&format), "make an RGB PNG", reason)) {
        return Status::failure(Status::Code::io_error, reason);
    }
    if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
        return Status::failure(Status::Code::io_error,
                               "the Windows Imaging Component cannot write a 24-bit PNG");
    }
    if (failed(frame->WritePixels(static_cast<UINT>(height), stride, static_cast<UINT>(bgr.size()),
                                  bgr.data()),
               "write the pixels", reason) ||
        failed(frame->Commit(), "finish the PNG", reason) ||
        failed(encoder->Commit(), "finish the PNG", reason)) {
        return Status::failure(Status::Code::io_error, reason);
    }
    STATSTG stat{};
    HGLOBAL memory = nullptr;
    if (failed(stream->Stat(&stat, STATFLAG_NONAME), "measure the PNG", reason) ||
        failed(GetHGlobalFromStream(stream.get(), &memory), "read the PNG back", reason)) {
        return Status::failure(Status::Code::io_error, reason);
    }
    const auto* data = static_cast<const std::uint8_t*>(GlobalLock(memory));
    if (data == nullptr) {
        return Status::failure(Status::Code::io_error, "the PNG in memory could not be read back");
    }
    png.assign(data, data + stat.cbSize.QuadPart);
    GlobalUnlock(memory);
    return Status::success();
}

}  // namespace tavrin
