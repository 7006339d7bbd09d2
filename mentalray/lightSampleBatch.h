#pragma once

// Light samples taken from the renderer ahead of their evaluation, up to
// kSampleBatch at a time, across lights: the batch's math calls are then
// made for all its samples at once (sampleBatchMath.h), and the samples
// enter their lights' running sums, and each light's average the result,
// in the order the renderer delivered them, exactly as one by one.
//
//     LightSampleBatch batch(...);
//     for each light:
//         while (mi_sample_light(&batch.next().color, &batch.next().direction, ..., &counter)) batch.add();
//         batch.endLight(counter);
//     batch.finish();            (before anything else is added to the result)
//
// Everything lives in the object, on the caller's stack; nothing is allocated.

#include "mentalray/sampleBatchMath.h"
#include "mentalray/shadingEvaluation.h"

namespace sorvane::mrplugin {

class LightSampleBatch {
public:
    LightSampleBatch(const ShadingInputs& m, const SampleConstants& shared, Vec3 N, double invEcc,
                     const SampleBatchMath& math, miColor& result);
    LightSampleBatch(const LightSampleBatch&) = delete;
    LightSampleBatch& operator=(const LightSampleBatch&) = delete;

    // Where the renderer writes the next sample.
    LightSampleInput& next() { return samples_[count_]; }

    // The sample written through next() is one of the current light's.
    void add() {
        if (++count_ == kSampleBatch) evaluate();
    }

    // The current light has no more samples; `counter` is its divisor.
    void endLight(miInteger counter) {
        ends_[endCount_++] = {count_, counter};
        if (endCount_ == kSampleBatch) evaluate();
    }

    // Evaluates what is held and adds the ended lights to the result.
    void finish() { evaluate(); }

private:
    struct LightEnd {
        int position;  // the number of the batch's samples before it
        miInteger counter;
    };

    void evaluate();
    void vectorTerms(int count, LightSampleTerms* terms) const;

    const ShadingInputs& m_;
    const SampleConstants& shared_;
    const Vec3 N_;
    const double invEcc_;
    const SampleBatchMath& math_;
    miColor& result_;
    PerLightSums sums_;  // of the light that is open
    int count_ = 0;
    int endCount_ = 0;
    // Left uninitialised: the renderer fills what is used.
    LightSampleInput samples_[kSampleBatch];
    LightEnd ends_[kSampleBatch];
};

}  // namespace sorvane::mrplugin
