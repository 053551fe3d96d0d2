#include "platform/GuiThread.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    Platform::RecordGuiThread();
    // Without a display (listing the tests at build time) the tests are listed, not run.
    gtk_init_check(&argc, &argv);
    return RUN_ALL_TESTS();
}
