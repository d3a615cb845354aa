// "Start Saving": the split run of the main window.
#include "app/Form1.h"
#include "core/ErrorReport.h"
#include "core/GuardedProcedure.h"

namespace pv {

void Form1::PushButton2_Click() {
    GuardedProcedure proc(dialogs(), form1Location("PushButton2_Click"));
}

}  // namespace pv
