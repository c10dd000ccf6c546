#include "platform/portal/PipeWireStreams.h"

#include "foundation/Log.h"
#include "platform/portal/PipeWireFrame.h"

#include <QByteArray>

#include <atomic>
#include <mutex>
#include <unistd.h>
#include <vector>

// PipeWire's headers and their pod-building macros are C (compound literals, C casts): these
// warnings say nothing about this file's own code.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wold-style-cast"
#pragma GCC diagnostic ignored "-Wcast-align"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>
#include <spa/utils/result.h>

namespace {

struct StreamSlot
{
    PipeWireStreams::Private *owner = nullptr;
    quint32 nodeId = 0;
    pw_stream *stream = nullptr;
    spa_hook listener{};
    spa_video_info_raw format{};
    bool hasFormat = false;
    pw_buffer *held = nullptr; // the newest picture, kept out of the producer's hands
    bool lost = false;
};

} // namespace

struct PipeWireStreams::Private
{
    pw_thread_loop *loop = nullptr;
    pw_context *context = nullptr;
    pw_core *core = nullptr;
    spa_hook coreListener{};
    std::vector<std::unique_ptr<StreamSlot>> streams;
    std::atomic<bool> broken = false;
    bool closing = false; // streams end because we end them: nothing to report

    ~Private()
    {
        if (loop)
            pw_thread_loop_stop(loop);
        closing = true;
        for (const auto &slot : streams) {
            if (slot->stream)
                pw_stream_destroy(slot->stream);
        }
        if (core)
            pw_core_disconnect(core);
        if (context)
            pw_context_destroy(context);
        if (loop)
            pw_thread_loop_destroy(loop);
    }
};

namespace {

bool holdsPicture(const pw_buffer *buffer)
{
    const spa_buffer *frame = buffer->buffer;
    if (frame->n_datas < 1 || frame->datas[0].data == nullptr || frame->datas[0].chunk == nullptr)
        return false;
    const spa_chunk *chunk = frame->datas[0].chunk;
    // An empty chunk announces a change of the cursor or of damage only, not a new picture.
    if (chunk->size == 0 || (chunk->flags & SPA_CHUNK_FLAG_CORRUPTED))
        return false;
    const auto *header = static_cast<const spa_meta_header *>(
        spa_buffer_find_meta_data(frame, SPA_META_Header, sizeof(spa_meta_header)));
    return !(header && (header->flags & SPA_META_HEADER_FLAG_CORRUPTED));
}

void onParamChanged(void *data, uint32_t id, const spa_pod *param)
{
    auto *slot = static_cast<StreamSlot *>(data);
    if (param == nullptr || id != SPA_PARAM_Format)
        return;
    uint32_t mediaType = 0;
    uint32_t mediaSubtype = 0;
    if (spa_format_parse(param, &mediaType, &mediaSubtype) < 0 ||
        mediaType != SPA_MEDIA_TYPE_video || mediaSubtype != SPA_MEDIA_SUBTYPE_raw)
        return;
    spa_video_info_raw info{};
    if (spa_format_video_raw_parse(param, &info) < 0)
        return;
    slot->format = info;
    slot->hasFormat = true;

    // Mapped memory only: a DMA buffer would need a GPU to read back.
    uint8_t storage[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(storage, sizeof(storage));
    const spa_pod *params[3];
    params[0] = static_cast<const spa_pod *>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
        SPA_POD_CHOICE_RANGE_Int(8, 3, 32), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
        SPA_PARAM_BUFFERS_dataType,
        SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd))));
    params[1] = static_cast<const spa_pod *>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
        SPA_POD_Id(SPA_META_Header), SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_header))));
    params[2] = static_cast<const spa_pod *>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
        SPA_POD_Id(SPA_META_VideoCrop), SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_region))));
    pw_stream_update_params(slot->stream, params, 3);
}

void onProcess(void *data)
{
    auto *slot = static_cast<StreamSlot *>(data);
    pw_buffer *newest = nullptr;
    while (pw_buffer *buffer = pw_stream_dequeue_buffer(slot->stream)) {
        if (!holdsPicture(buffer)) {
            pw_stream_queue_buffer(slot->stream, buffer);
            continue;
        }
        if (newest)
            pw_stream_queue_buffer(slot->stream, newest);
        newest = buffer;
    }
    if (!newest)
        return;
    if (slot->held)
        pw_stream_queue_buffer(slot->stream, slot->held);
    slot->held = newest;
    pw_thread_loop_signal(slot->owner->loop, false);
}

void onRemoveBuffer(void *data, pw_buffer *buffer)
{
    auto *slot = static_cast<StreamSlot *>(data);
    if (slot->held == buffer)
        slot->held = nullptr;
}

void onStateChanged(void *data, pw_stream_state, pw_stream_state state, const char *error)
{
    auto *slot = static_cast<StreamSlot *>(data);
    if (slot->owner->closing)
        return;
    if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED) {
        zuvError(lcCapture) << "Screen cast stream of node" << slot->nodeId
                            << "ended:" << (error ? error : "disconnected");
        slot->lost = true;
    }
    pw_thread_loop_signal(slot->owner->loop, false);
}

void onCoreError(void *data, uint32_t id, int, int result, const char *message)
{
    auto *d = static_cast<PipeWireStreams::Private *>(data);
    if (id != PW_ID_CORE)
        return;
    zuvError(lcCapture) << "PipeWire remote failed:" << spa_strerror(result)
                        << (message ? message : "");
    d->broken = true;
    pw_thread_loop_signal(d->loop, false);
}

const pw_stream_events streamEvents = [] {
    pw_stream_events events{};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.state_changed = onStateChanged;
    events.param_changed = onParamChanged;
    events.remove_buffer = onRemoveBuffer;
    events.process = onProcess;
    return events;
}();

const pw_core_events coreEvents = [] {
    pw_core_events events{};
    events.version = PW_VERSION_CORE_EVENTS;
    events.error = onCoreError;
    return events;
}();

// Any size and rate; at most one picture a second is asked for, since a capture takes one every
// few minutes and copying more would only cost.
const spa_pod *videoFormat(spa_pod_builder *builder)
{
    const spa_rectangle defaultSize = SPA_RECTANGLE(1920, 1080);
    const spa_rectangle minSize = SPA_RECTANGLE(1, 1);
    const spa_rectangle maxSize = SPA_RECTANGLE(16384, 16384);
    const spa_fraction anyRate = SPA_FRACTION(0, 1);
    const spa_fraction maxRate = SPA_FRACTION(360, 1);
    const spa_fraction onePerSecond = SPA_FRACTION(1, 1);
    return static_cast<const spa_pod *>(spa_pod_builder_add_object(
        builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
        SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
        SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx,
                               SPA_VIDEO_FORMAT_BGRA, SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA),
        SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&defaultSize, &minSize, &maxSize),
        SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&anyRate, &anyRate, &maxRate),
        SPA_FORMAT_VIDEO_maxFramerate,
        SPA_POD_CHOICE_RANGE_Fraction(&onePerSecond, &anyRate, &maxRate)));
}

std::optional<PipeWireFrame::Layout> layoutOf(uint32_t format)
{
    switch (format) {
    case SPA_VIDEO_FORMAT_BGRx:
    case SPA_VIDEO_FORMAT_BGRA:
        return PipeWireFrame::Layout::Bgrx;
    case SPA_VIDEO_FORMAT_RGBx:
    case SPA_VIDEO_FORMAT_RGBA:
        return PipeWireFrame::Layout::Rgbx;
    default:
        return std::nullopt;
    }
}

QImage copyPicture(const StreamSlot &slot)
{
    const std::optional<PipeWireFrame::Layout> layout = layoutOf(slot.format.format);
    if (!slot.hasFormat || !layout)
        return {};
    const spa_buffer *frame = slot.held->buffer;
    const spa_data &plane = frame->datas[0];
    const uint32_t offset = plane.chunk->offset % std::max<uint32_t>(plane.maxsize, 1);
    PipeWireFrame::Buffer buffer;
    buffer.layout = *layout;
    buffer.size = QSize(int(slot.format.size.width), int(slot.format.size.height));
    buffer.stride = plane.chunk->stride > 0 ? plane.chunk->stride : buffer.size.width() * 4;
    buffer.data = static_cast<const uchar *>(plane.data) + offset;
    buffer.bytes = std::min<qsizetype>(plane.chunk->size, plane.maxsize - offset);
    const auto *crop = static_cast<const spa_meta_region *>(
        spa_buffer_find_meta_data(frame, SPA_META_VideoCrop, sizeof(spa_meta_region)));
    if (crop && spa_meta_region_is_valid(crop)) {
        buffer.crop = QRect(crop->region.position.x, crop->region.position.y,
                            int(crop->region.size.width), int(crop->region.size.height));
    }
    return PipeWireFrame::toImage(buffer);
}

} // namespace

PipeWireStreams::PipeWireStreams(std::unique_ptr<Private> dd)
    : d(std::move(dd))
{}

PipeWireStreams::~PipeWireStreams() = default;

std::unique_ptr<PipeWireStreams> PipeWireStreams::open(int remoteFd, const QList<quint32> &nodeIds,
                                                       QString *error)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { pw_init(nullptr, nullptr); });

    auto d = std::make_unique<Private>();
    d->loop = pw_thread_loop_new("zuv-pipewire", nullptr);
    if (d->loop)
        d->context = pw_context_new(pw_thread_loop_get_loop(d->loop), nullptr, 0);
    if (!d->context || pw_thread_loop_start(d->loop) < 0) {
        ::close(remoteFd);
        *error = QStringLiteral("the PipeWire loop cannot start");
        return nullptr;
    }

    pw_thread_loop_lock(d->loop);
    // The remote owns the descriptor from here on, failed or not.
    d->core = pw_context_connect_fd(d->context, remoteFd, nullptr, 0);
    if (!d->core) {
        pw_thread_loop_unlock(d->loop);
        *error = QStringLiteral("the PipeWire remote refused the connection");
        return nullptr;
    }
    pw_core_add_listener(d->core, &d->coreListener, &coreEvents, d.get());
    for (const quint32 nodeId : nodeIds) {
        auto slot = std::make_unique<StreamSlot>();
        slot->owner = d.get();
        slot->nodeId = nodeId;
        slot->stream =
            pw_stream_new(d->core, "zuv-screen",
                          pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                            "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
        if (!slot->stream) {
            pw_thread_loop_unlock(d->loop);
            *error = QStringLiteral("no stream for node %1").arg(nodeId);
            return nullptr;
        }
        pw_stream_add_listener(slot->stream, &slot->listener, &streamEvents, slot.get());
        uint8_t storage[1024];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(storage, sizeof(storage));
        const spa_pod *params[1] = {videoFormat(&builder)};
        const int result = pw_stream_connect(
            slot->stream, PW_DIRECTION_INPUT, nodeId,
            static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS),
            params, 1);
        StreamSlot *connected = slot.get();
        d->streams.push_back(std::move(slot));
        if (result < 0) {
            pw_thread_loop_unlock(d->loop);
            *error = QStringLiteral("the stream of node %1 cannot connect: %2")
                         .arg(connected->nodeId)
                         .arg(QString::fromUtf8(spa_strerror(result)));
            return nullptr;
        }
    }
    pw_thread_loop_unlock(d->loop);
    return std::unique_ptr<PipeWireStreams>(new PipeWireStreams(std::move(d)));
}

PipeWireStreams::Frame PipeWireStreams::latestFrame(quint32 nodeId, std::chrono::milliseconds wait)
{
    Frame frame;
    pw_thread_loop_lock(d->loop);
    StreamSlot *slot = nullptr;
    for (const auto &candidate : d->streams) {
        if (candidate->nodeId == nodeId)
            slot = candidate.get();
    }
    if (slot) {
        timespec deadline{};
        pw_thread_loop_get_time(d->loop, &deadline, std::chrono::nanoseconds(wait).count());
        while (!slot->held && !slot->lost && !d->broken) {
            if (pw_thread_loop_timed_wait_full(d->loop, &deadline) != 0)
                break;
        }
    }
    if (!slot || slot->lost || d->broken) {
        frame.status = FrameStatus::Lost;
    } else if (slot->held) {
        frame.image = copyPicture(*slot);
        frame.status = frame.image.isNull() ? FrameStatus::NoFrameYet : FrameStatus::Ok;
        if (frame.image.isNull())
            zuvError(lcCapture) << "Screen cast frame of node" << nodeId
                                << "has a layout that cannot be read";
    }
    pw_thread_loop_unlock(d->loop);
    return frame;
}

bool PipeWireStreams::isBroken() const
{
    return d->broken;
}

#pragma GCC diagnostic pop
