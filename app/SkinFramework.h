#pragma once
// The window's skin component (SkinFramework1): it loads a skin file and applies it to a window
// as a Qt style sheet. The window drives it with five calls, in this order:
//   loadSkin(path, ""), setApplyOptions(applyOptions() | kSkinEnabled),
//   setApplyToDialogs(true), setApplyToNewWindows(true), applyWindow(window).
#include <QObject>
#include <QString>
#include <QWidget>

namespace pv {

class SkinFramework : public QObject {
    Q_OBJECT
  public:
    static constexpr int kSkinEnabled = 1;

    explicit SkinFramework(QObject* parent = nullptr);

    // Reads the style sheet from `path`; `section` names a part of a multi-skin file and is
    // unused by plain style sheets. Throws pv::Error when the file cannot be read.
    void loadSkin(const QString& path, const QString& section);

    int applyOptions() const { return applyOptions_; }
    void setApplyOptions(int options) { applyOptions_ = options; }
    // Message boxes and other dialogs get the skin too.
    void setApplyToDialogs(bool on) { applyToDialogs_ = on; }
    bool applyToDialogs() const { return applyToDialogs_; }
    // Windows created later get the skin too.
    void setApplyToNewWindows(bool on) { applyToNewWindows_ = on; }
    bool applyToNewWindows() const { return applyToNewWindows_; }

    // Gives `window` and its controls the loaded skin when kSkinEnabled is set; the whole
    // application too when dialogs or new windows share it.
    void applyWindow(QWidget* window);

    const QString& skinPath() const { return skinPath_; }
    const QString& styleSheet() const { return styleSheet_; }

  private:
    QString skinPath_;
    QString styleSheet_;
    int applyOptions_ = 0;
    bool applyToDialogs_ = false;
    bool applyToNewWindows_ = false;
};

}  // namespace pv
#include "app/AppErrors.h"
