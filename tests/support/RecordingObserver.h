#pragma once
// A split run's observer that keeps everything the run showed and told, in order, and can ask
// the run to stop once a number of outputs are saved.
#include <string>
#include <vector>

#include "split/RunObserver.h"

namespace pv::test {

class RecordingObserver : public pv::split::RunObserver {
  public:
    void setMousePointer(int pointer) override { pointers.push_back(pointer); }
    void setProgressValue(double percent) override { values.push_back(percent); }
    void setProgressText(const std::string& text) override { texts.push_back(text); }
    bool stopRequested() override {
        return stopAfterSaves >= 0 && int(saved.size()) >= stopAfterSaves;
    }
    void outputSaved(const pv::split::SavedOutput& output) override { saved.push_back(output); }
    void stepFailed(const pv::split::RunFailure& failure) override { failed.push_back(failure); }

    std::vector<int> pointers;
    std::vector<double> values;
    std::vector<std::string> texts;
    std::vector<pv::split::SavedOutput> saved;
    std::vector<pv::split::RunFailure> failed;
    int stopAfterSaves = -1;  // never stop
};

}  // namespace pv::test
