#include "foundation/HeapPolicy.h"

#include <QFile>
#include <QTest>

#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define ZUV_OWN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZUV_OWN_ALLOCATOR 1
#endif
#endif

namespace {

[[maybe_unused]] qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').constFirst().toLongLong();
    }
    return -1;
}

// What a capture does: a frame of a large monitor, written, freed, and another a while later.
[[maybe_unused]] void allocateTouchAndFree(size_t bytes)
{
    void *block = std::malloc(bytes);
    QVERIFY(block);
    std::memset(block, 0x5a, bytes);
    // Kept from the optimiser, which may drop a block that nothing reads.
    asm volatile("" : : "g"(block) : "memory");
    std::free(block);
}

} // namespace

// Freed frames go back to the system at once, not into the heap.
class TestHeapPolicy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void freedFramesLeaveNothingResident()
    {
#if defined(ZUV_OWN_ALLOCATOR) || !defined(__GLIBC__)
        QSKIP("the heap here is not the C library's");
#else
        QVERIFY(HeapPolicy::apply());
        // Frames of two monitors, the larger one first.
        constexpr size_t largeFrameBytes = 2560 * 1440 * 4;
        constexpr size_t frameBytes = 1920 * 1080 * 4;
        // Under the defaults the first frame is unmapped when freed, and raises the size that
        // is mapped at all above the next, smaller frame: that one stays resident.
        allocateTouchAndFree(largeFrameBytes);
        const qint64 before = residentKiB();
        allocateTouchAndFree(frameBytes);
        const qint64 after = residentKiB();
        QVERIFY(before > 0 && after > 0);
        QVERIFY2(after - before < 2048, qPrintable(QStringLiteral("%1 KiB still resident of a "
                                                                  "freed %2 KiB frame")
                                                       .arg(after - before)
                                                       .arg(frameBytes / 1024)));
#endif
    }
};

QTEST_GUILESS_MAIN(TestHeapPolicy)
#include "TestHeapPolicy.moc"
