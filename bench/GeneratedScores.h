#pragma once
// The generated scores the benchmarks run on, each made once per shape and
// kept for the process, with page 0 current. Benchmarks of one shape share
// its score, so one that changes the score leaves it as it found it.

#include "Kvorel.h"
#include "support/ScoreGenerator.h"

#include <map>
#include <memory>
#include <tuple>

namespace kvbench {

// The score of this shape; null when it cannot be made.
inline CKVDoc* GeneratedScore(const kvtest::GeneratedScoreShape& shape)
{
    static std::map<std::tuple<short, LONG, int>, std::unique_ptr<CKVDoc>> scores;
    auto& doc = scores[{shape.staves, shape.measures, shape.symbolsPerMeasure}];
    if (!doc) {
        doc = std::make_unique<CKVDoc>();
        if (!kvtest::GenerateScore(*doc, shape)) {
            doc.reset();
            return nullptr;
        }
        doc->JumpToPage(0);
    }
    return doc.get();
}

} // namespace kvbench
