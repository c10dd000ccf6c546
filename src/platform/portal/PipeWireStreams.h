#pragma once

#include <QImage>
#include <QList>
#include <QString>

#include <chrono>
#include <memory>

// The video streams of one screen-cast session, read over the PipeWire remote the portal opened
// for it. Each stream keeps the newest complete buffer it received (frames arrive only when the
// screen changes, so the newest one is what the screen shows now) and hands it back to the
// producer only when a newer one comes; a capture copies that buffer. Everything PipeWire does
// runs on its own loop thread; every public call may come from any thread.
class PipeWireStreams
{
public:
    enum class FrameStatus
    {
        Ok,
        NoFrameYet, // the stream runs but has delivered nothing so far
        Lost,       // the stream or the whole remote is gone
    };

    struct Frame
    {
        FrameStatus status = FrameStatus::NoFrameYet;
        QImage image;
    };

    // Connects over the remote's file descriptor, which it takes over (closed on failure too),
    // and starts one stream per node. Null, with the reason in *error, when that fails.
    static std::unique_ptr<PipeWireStreams> open(int remoteFd, const QList<quint32> &nodeIds,
                                                 QString *error);
    ~PipeWireStreams();
    PipeWireStreams(const PipeWireStreams &) = delete;
    PipeWireStreams &operator=(const PipeWireStreams &) = delete;

    // The newest frame of the node's stream; waits up to `wait` while it has none yet.
    Frame latestFrame(quint32 nodeId, std::chrono::milliseconds wait);
    // The remote was closed or failed: no stream will deliver again.
    bool isBroken() const;

    struct Private;

private:
    explicit PipeWireStreams(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
};
