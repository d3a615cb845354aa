// Workbooks and folders handed to the window at start ("Open with", a drag onto its launcher).
#include "ListTestSupport.h"

namespace {

using pv::test::ListTest;
using pv::test::TempDir;
using pv::test::touch;

TEST_F(ListTest, PathsGivenAtStartArePutOnTheListAsADropWouldPutThem) {
    TempDir dir;
    std::filesystem::create_directories(dir / "tree" / "sub");
    touch(dir / "loose.xlsx");
    touch(dir / "tree" / "a.xlsx");
    touch(dir / "tree" / "sub" / "b.ods");
    shownList();
    form->OpenWorkbookPaths({q(dir / "loose.xlsx"), q(dir / "tree"), q(dir / "gone.xls")});
    EXPECT_EQ(rows(), (QStringList{q(dir / "loose.xlsx"), q(dir / "tree" / "a.xlsx"),
                                   q(dir / "tree" / "sub" / "b.ods"), q(dir / "gone.xls")}));
}

}  // namespace
