// Camera enumeration and capture through Media Foundation's asynchronous source reader:
// one read in flight, RGB32 from the reader's own video processing, newest frame only.
#include <windows.h>

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <wrl/client.h>

#include <chrono>
#include <condition_variable>
#include <optional>
#include <stdexcept>

#include "camera/format_choice.h"
#include "camera/frame_copy.h"
#include "camera/hresult.h"
#include "camera/mf_camera.h"

namespace vel {

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kVideoStream = static_cast<DWORD>(MF_SOURCE_READER_FIRST_VIDEO_STREAM);
constexpr const char* kReadFailed = "Camera disconnected or frame capture failed";

std::optional<std::wstring> allocatedString(IMFActivate* device, REFGUID key) {
  wchar_t* value = nullptr;
  UINT32 length = 0;
  if (FAILED(device->GetAllocatedString(key, &value, &length))) return std::nullopt;
  std::wstring text(value, length);
  CoTaskMemFree(value);
  return text;
}

// The device array of MFEnumDeviceSources, released whichever way the listing ends.
struct DeviceArray {
  IMFActivate** items = nullptr;
  UINT32 count = 0;
  ~DeviceArray() {
    for (UINT32 i = 0; i < count; ++i) items[i]->Release();
    CoTaskMemFree(items);
  }
};

// One completed read handed from the reader's work queue to the capture thread.
struct CompletedRead {
  HRESULT status = S_OK;
  DWORD flags = 0;
  ComPtr<IMFSample> sample;
};

// A one-slot mailbox: the reader's work queue fills it, the capture thread empties it.
class SampleCallback final : public IMFSourceReaderCallback {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IMFSourceReaderCallback) {
      *out = static_cast<IMFSourceReaderCallback*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG count = --references_;
    if (count == 0) delete this;
    return count;
  }

  STDMETHODIMP OnReadSample(HRESULT status, DWORD, DWORD flags, LONGLONG, IMFSample* sample) override {
    {
      std::lock_guard lock(mutex_);
      pending_ = sample;  // an older sample still waiting is dropped unseen
      status_ = status;
      flags_ = flags;
      ready_ = true;
    }
    wake_.notify_one();
    return S_OK;
  }
  STDMETHODIMP OnFlush(DWORD) override { return S_OK; }
  STDMETHODIMP OnEvent(DWORD, IMFMediaEvent*) override { return S_OK; }

  // Waits for the read in flight in 40 ms slices so a stop is noticed promptly; nothing when a
  // stop was requested (a sample delivered meanwhile is left in the slot).
  std::optional<CompletedRead> wait(const CaptureContext& context) {
    std::unique_lock lock(mutex_);
    while (!ready_ && !context.stopRequested()) wake_.wait_for(lock, std::chrono::milliseconds(40));
    if (context.stopRequested()) return std::nullopt;
    ready_ = false;
    CompletedRead read{status_, flags_, std::move(pending_)};
    pending_.Reset();
    return read;
  }

 private:
  ~SampleCallback() = default;

  std::atomic<ULONG> references_{1};
  std::mutex mutex_;
  std::condition_variable wake_;
  ComPtr<IMFSample> pending_;
  bool ready_ = false;
  HRESULT status_ = S_OK;
  DWORD flags_ = 0;
};

struct RgbGeometry {
  std::int32_t width = 0;
  std::int32_t height = 0;
  LONG stride = 0;
};

std::vector<FormatCandidate> nativeCandidates(IMFSourceReader* reader) {
  std::vector<FormatCandidate> candidates;
  for (DWORD index = 0; index < 300; ++index) {
    ComPtr<IMFMediaType> type;
    if (FAILED(reader->GetNativeMediaType(kVideoStream, index, &type))) break;
    UINT64 size = 0;
    if (FAILED(type->GetUINT64(MF_MT_FRAME_SIZE, &size))) continue;
    UINT64 rate = 0;
    const bool hasRate = SUCCEEDED(type->GetUINT64(MF_MT_FRAME_RATE, &rate));
    if (auto candidate = formatCandidate(index, size, hasRate ? std::optional<std::uint64_t>(rate) : std::nullopt)) {
      candidates.push_back(*candidate);
    }
  }
  return candidates;
}

HRESULT selectNativeType(IMFSourceReader* reader, std::uint32_t index) {
  ComPtr<IMFMediaType> type;
  HRESULT hr = reader->GetNativeMediaType(kVideoStream, index, &type);
  if (SUCCEEDED(hr)) hr = reader->SetCurrentMediaType(kVideoStream, nullptr, type.Get());
  return hr;
}

// Makes the preferred native format current (the baseline if that fails), then asks the reader
// for RGB32 output, falling back to the baseline when only it converts.
void negotiateFormat(IMFSourceReader* reader, bool detail) {
  const FormatChoice choice = chooseFormat(nativeCandidates(reader), detail);
  bool onBaseline = true;
  if (choice.preferred) {
    onBaseline = choice.preferred->index == choice.baseline->index;
    HRESULT hr = selectNativeType(reader, choice.preferred->index);
    if (FAILED(hr) && !onBaseline) {
      hr = selectNativeType(reader, choice.baseline->index);
      onBaseline = true;
    }
    checkHr(hr, "Select camera format");
  }

  ComPtr<IMFMediaType> rgb;
  checkHr(MFCreateMediaType(&rgb), "Create RGB media type");
  checkHr(rgb->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video), "Create RGB media type");
  checkHr(rgb->SetGUID(MF_MT_SUBTYPE, MFVideoFormat_RGB32), "Create RGB media type");
  HRESULT hr = reader->SetCurrentMediaType(kVideoStream, nullptr, rgb.Get());
  if (FAILED(hr) && !onBaseline) {
    checkHr(selectNativeType(reader, choice.baseline->index), "Select compatible camera format");
    hr = reader->SetCurrentMediaType(kVideoStream, nullptr, rgb.Get());
  }
  checkHr(hr, "Camera RGB32 conversion unavailable");
}

RgbGeometry readGeometry(IMFSourceReader* reader) {
  ComPtr<IMFMediaType> current;
  checkHr(reader->GetCurrentMediaType(kVideoStream, &current), "Read RGB format");
  UINT64 size = 0;
  checkHr(current->GetUINT64(MF_MT_FRAME_SIZE, &size), "Read camera size");
  const auto width = static_cast<UINT32>(size >> 32);
  const auto height = static_cast<UINT32>(size & 0xffffffffu);
  if (width < 1 || width > 4096 || height < 1 || height > 4096) {
    throw std::runtime_error("Unsupported camera dimensions");
  }
  RgbGeometry geometry{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), 0};
  UINT32 defaultStride = 0;
  if (SUCCEEDED(current->GetUINT32(MF_MT_DEFAULT_STRIDE, &defaultStride))) {
    geometry.stride = static_cast<LONG>(static_cast<INT32>(defaultStride));  // stored as a signed value
  } else {
    checkHr(MFGetStrideForBitmapInfoHeader(22 /* D3DFMT_X8R8G8B8 */, width, &geometry.stride), "Read RGB stride");
  }
  return geometry;
}

void copySample(IMFSample* sample, const RgbGeometry& geometry, Frame& frame) {
  const auto rowBytes = static_cast<std::size_t>(geometry.width) * 4u;
  ComPtr<IMFMediaBuffer> buffer;
  checkHr(sample->ConvertToContiguousBuffer(&buffer), "Read camera frame");

  ComPtr<IMF2DBuffer> buffer2d;
  if (SUCCEEDED(buffer.As(&buffer2d))) {
    // The buffer's own 2-D layout is trusted here, so no length check.
    BYTE* firstRow = nullptr;
    LONG pitch = 0;
    checkHr(buffer2d->Lock2D(&firstRow, &pitch), "Lock 2D camera frame");
    copyFrameRows(frame.pixels.data(), firstRow, pitch, rowBytes, geometry.height);
    buffer2d->Unlock2D();
    return;
  }

  BYTE* data = nullptr;
  DWORD length = 0;
  checkHr(buffer->Lock(&data, nullptr, &length), "Lock camera frame");
  const std::uint8_t* top = contiguousTopRow(data, length, geometry.stride, rowBytes, geometry.height);
  if (top) copyFrameRows(frame.pixels.data(), top, geometry.stride, rowBytes, geometry.height);
  buffer->Unlock();
  if (!top) throw std::runtime_error("Camera frame is truncated");
}

}  // namespace

std::vector<CameraDevice> enumerateCameras() {
  ComPtr<IMFAttributes> attributes;
  checkHr(MFCreateAttributes(&attributes, 1), "Create camera attributes");
  checkHr(attributes->SetGUID(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE, MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_GUID),
          "Set camera source type");
  DeviceArray devices;
  checkHr(MFEnumDeviceSources(attributes.Get(), &devices.items, &devices.count), "Enumerate cameras");

  std::vector<CameraDevice> cameras;
  for (UINT32 i = 0; i < devices.count; ++i) {
    auto link = allocatedString(devices.items[i], MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_SYMBOLIC_LINK);
    if (!link) continue;
    auto name = allocatedString(devices.items[i], MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME);
    cameras.push_back({name.value_or(L"Camera"), std::move(*link)});
  }
  return cameras;
}

namespace {

ComPtr<IMFMediaSource> openSource(const CameraDevice& device) {
  ComPtr<IMFAttributes> attributes;
  checkHr(MFCreateAttributes(&attributes, 2), "Create camera attributes");
  checkHr(attributes->SetGUID(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE, MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_GUID),
          "Select video capture");
  checkHr(attributes->SetString(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_SYMBOLIC_LINK, device.deviceId.c_str()),
          "Select camera");
  ComPtr<IMFMediaSource> source;
  checkHr(MFCreateDeviceSource(attributes.Get(), &source),
          "Open camera; check Windows camera permission and other camera apps");
  return source;
}

// The reader and everything it needs live here, so they are gone when this returns or throws;
// the source stays with the caller.
void captureFrames(IMFMediaSource* source, bool detail, CaptureContext& context) {
  ComPtr<SampleCallback> callback;
  callback.Attach(new SampleCallback);
  ComPtr<IMFAttributes> readerAttributes;
  checkHr(MFCreateAttributes(&readerAttributes, 3), "Create reader attributes");
  checkHr(readerAttributes->SetUINT32(MF_SOURCE_READER_ENABLE_VIDEO_PROCESSING, TRUE), "Enable RGB conversion");
  readerAttributes->SetUINT32(MF_LOW_LATENCY, TRUE);  // a hint; older systems lack it
  checkHr(readerAttributes->SetUnknown(MF_SOURCE_READER_ASYNC_CALLBACK, callback.Get()),
          "Enable cancellable camera capture");
  ComPtr<IMFSourceReader> reader;
  checkHr(MFCreateSourceReaderFromMediaSource(source, readerAttributes.Get(), &reader), "Create camera reader");
  reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
  checkHr(reader->SetStreamSelection(kVideoStream, TRUE), "Enable camera stream");

  negotiateFormat(reader.Get(), detail);
  const RgbGeometry geometry = readGeometry(reader.Get());

  std::uint64_t sequence = 0;
  while (!context.stopRequested()) {
    checkHr(reader->ReadSample(kVideoStream, 0, nullptr, nullptr, nullptr, nullptr), kReadFailed);
    std::optional<CompletedRead> read = callback->wait(context);
    if (!read) break;
    checkHr(read->status, kReadFailed);
    if (read->flags & MF_SOURCE_READERF_ENDOFSTREAM) throw std::runtime_error("Camera stream ended");
    if (read->flags & MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED) {
      throw std::runtime_error("Camera format changed; restart preview");
    }
    if (!read->sample) continue;  // a stream tick

    auto frame = makeFrame(geometry.width, geometry.height, ++sequence, GetTickCount64());
    copySample(read->sample.Get(), geometry, *frame);
    context.publish(std::move(frame));
  }
  reader->Flush(kVideoStream);
}

// COM for this thread only; start-up owns the process-wide Media Foundation start.
struct ComApartment {
  const bool started = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  ~ComApartment() {
    if (started) CoUninitialize();
  }
};

}  // namespace

void captureWithMediaFoundation(const CameraDevice& device, bool detail, CaptureContext& context) {
  const ComApartment apartment;
  ComPtr<IMFMediaSource> source;
  try {
    source = openSource(device);
    if (context.stopRequested()) throw std::runtime_error("Camera stopped");
    captureFrames(source.Get(), detail, context);
  } catch (const std::exception& error) {
    // Recorded before the shutdown below, which can take long: a stop meanwhile keeps the text.
    context.fail(error.what());
  }
  // Media sources must be shut down, not only released, or the device stays busy.
  if (source) source->Shutdown();
}

}  // namespace vel
