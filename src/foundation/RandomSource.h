#pragma once

// Where jitter and random intervals come from. Production uses systemRandomSource(); tests hand
// in a source whose answers they choose.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    // A value drawn uniformly from [low, high], both ends included.
    virtual double uniform(double low, double high) = 0;
};

RandomSource &systemRandomSource();
