// The workbook list's commands of the main window.
#include "app/Form1.h"
#include "core/ErrorReport.h"
#include "core/GuardedProcedure.h"

namespace pv {

void Form1::PushButton1_Click() {
    GuardedProcedure proc(dialogs(), form1Location("PushButton1_Click"));
}

void Form1::PushButton4_Click() {
    GuardedProcedure proc(dialogs(), form1Location("PushButton4_Click"));
}

void Form1::PushButton5_Click() {
    GuardedProcedure proc(dialogs(), form1Location("PushButton5_Click"));
}

void Form1::PushButton6_Click() {
    GuardedProcedure proc(dialogs(), form1Location("PushButton6_Click"));
}

}  // namespace pv
