#pragma once

// A self-pipe that ends a poll() on another thread: wake() writes a byte from any thread, the
// waiting thread polls readFd() beside its own descriptor and drains it.
class WakePipe
{
public:
    // What the log names when the pipe cannot be made ("the input stream").
    explicit WakePipe(const char *owner);
    ~WakePipe();
    WakePipe(const WakePipe &) = delete;
    WakePipe &operator=(const WakePipe &) = delete;

    bool isValid() const { return m_read >= 0; }
    int readFd() const { return m_read; }

    // Safe from any thread, also while nobody waits.
    void wake();
    // Takes every pending wake-up.
    void drain();

private:
    int m_read = -1;
    int m_write = -1;
};
