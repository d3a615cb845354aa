#pragma once
// Dialogs for the folder services' tests: records messages, answers the folder dialog.
#include <string>
#include <vector>

#include "core/Dialogs.h"

namespace pv::test {

class RecordingDialogs : public Dialogs {
  public:
    std::vector<std::string> messages;
    std::string folderAnswer;
    std::string lastStartFolder = "<not asked>";

    void message(const std::string& text, const std::string&, MessageIcon) override {
        messages.push_back(text);
    }
    bool askYesNo(const std::string&, const std::string&) override { return false; }
    std::optional<std::string> inputBox(const std::string&, const std::string&,
                                        const std::string&) override {
        return std::nullopt;
    }
    std::vector<std::string> openFiles(const std::string&, const std::string&,
                                       const std::string&) override {
        return {};
    }
    std::string browseForFolder(const std::string&, const std::string& startFolder) override {
        lastStartFolder = startFolder;
        return folderAnswer;
    }
    std::optional<std::string> askForRange(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

}  // namespace pv::test
