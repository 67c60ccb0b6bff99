#include "common/every_item.h"

RecordBuilder EveryItem(const EveryItemValues& values) {
    RecordBuilder b;
    b.UserInfo(values.user, 42, 3725.4)
        .DataInfo(13.5f, 18.25f, values.recordedJd, 2, 1.42e9)
        .Band(values.bandwidthHz, values.binWrapDivisor, 1048576)
        .StatusTextA("Searching for spikes")
        .Progress(0.5f)
        .CpuTime(3725.4)
        .StepFraction(0.75f)
        .SearchParams(0.5f, values.fftLength)
        .CurrentPeak(PeakSummary{1.0f, 0.75f, 1, 2, 0.1f, 8})
        .BestPeak(PeakSummary{12.5f, 0.5f, 6, 3, 0.25f, 8})
        .BestGaussian(GaussianSummary{10.0f, 3.25f, 0.125f, 1, 2, -0.5f, 8});
    if (!values.statusTextB.empty()) b.StatusTextB(values.statusTextB);
    if (values.message) b.Message(true, "A message", "for the user");
    return b;
}
