// Progress: a range and a position, set by long operations (the Run, Convert, Cut) as they go.
#pragma once

namespace gc {

class Progress {
public:
    virtual ~Progress() = default;
    virtual void SetRange(int lower, int upper) = 0;
    virtual void SetPos(int position) = 0;
    // True once the user has asked the operation to stop (the command line's SIGINT/SIGTERM). Long
    // operations look at it once per row of tiles or strip and then end with an interrupted outcome,
    // removing their temporaries.
    virtual bool StopRequested() const { return false; }
};

class NullProgress final : public Progress {
public:
    void SetRange(int, int) override {}
    void SetPos(int) override {}
};

} // namespace gc
