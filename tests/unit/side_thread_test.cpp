#include <gtest/gtest.h>

#include <thread>

#include "base/side_thread.h"

namespace {

// The task runs on the thread made ahead of it, and Wait returns only once
// it has ended; a thread given no task ends with its owner.
TEST(SideThread, RunsItsOneTaskAndEndsWithOrWithoutOne) {
    std::thread::id ranOn;
    bool ended = false;
    {
        SideThread side;
        side.Start([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ranOn = std::this_thread::get_id();
            ended = true;
        });
        side.Wait();
        EXPECT_TRUE(ended);
        EXPECT_NE(ranOn, std::this_thread::get_id());
    }
    {
        SideThread idle;
        idle.Wait();
    }
    // Not waited for: the owner's end waits for the task.
    bool finished = false;
    {
        SideThread side;
        side.Start([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            finished = true;
        });
    }
    EXPECT_TRUE(finished);
}

}  // namespace
