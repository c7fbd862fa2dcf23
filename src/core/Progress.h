// Progress: a range and a position, set by long operations (the Run, Convert, Cut) as they go.
#pragma once

namespace gc {

class Progress {
public:
    virtual ~Progress() = default;
    virtual void SetRange(int lower, int upper) = 0;
    virtual void SetPos(int position) = 0;
};

class NullProgress final : public Progress {
public:
    void SetRange(int, int) override {}
    void SetPos(int) override {}
};

} // namespace gc
