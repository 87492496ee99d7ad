#include <gtest/gtest.h>

#include "widgets/Notebook.h"

TEST(Notebook, NamedPagesAreFoundWithoutCaseAndChangesAreReported) {
    TNotebook nb;
    for (const char* n : {"bitmap", "plasma", "Gradient"}) nb.AddPage(n);
    int changes = 0;
    nb.OnPageChanged = [&](QObject*) { ++changes; };
    EXPECT_EQ(nb.IndexOfPage("GRADIENT"), 2);
    EXPECT_EQ(nb.IndexOfPage("text"), -1);
    nb.SetActivePage("PLASMA");
    EXPECT_EQ(nb.GetPageIndex(), 1);
    EXPECT_EQ(nb.GetActivePage(), "plasma");
    nb.SetActivePage("nothing");  // ignored
    nb.SetPageIndex(7);
    EXPECT_EQ(nb.GetPageIndex(), 1);
    EXPECT_EQ(changes, 1);
    nb.SetPages({"one", "two"});
    EXPECT_EQ(nb.PageCount(), 2);
    EXPECT_EQ(nb.count(), 2);
    EXPECT_EQ(nb.PageName(1), "two");
}
