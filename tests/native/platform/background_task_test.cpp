// Work on a thread of its own: the result or the exception reaches whoever
// takes it, the follow-up runs only once the result can be taken, and what
// the work captured is gone by then (a held file must not outlive the work).
#include "platform/background_task.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>

#include "support/gate.h"

namespace {

TEST(BackgroundTask, TheResultIsTakenOnceWhenTheWorkHasFinished) {
  BackgroundTask<std::string> empty;
  EXPECT_FALSE(empty.valid());
  EXPECT_FALSE(empty.Ready());
  empty.Wait();  // nothing to wait for

  auto gate = std::make_shared<Gate>();
  gate->Close();
  BackgroundTask<std::string> task = BackgroundTask<std::string>::Start([gate] {
    gate->Pass();
    return std::string(40, 'r');
  });
  EXPECT_TRUE(task.valid());
  EXPECT_FALSE(task.Ready()) << "the work is held at the gate";
  gate->Open();
  task.Wait();
  EXPECT_TRUE(task.Ready());
  EXPECT_EQ(task.Take(), std::string(40, 'r'));
  EXPECT_FALSE(task.valid());
  EXPECT_FALSE(task.Ready());
}

TEST(BackgroundTask, WhatTheWorkThrowsIsRethrownToTheTaker) {
  BackgroundTask<int> task =
      BackgroundTask<int>::Start([]() -> int { throw std::runtime_error("no answer"); });
  try {
    task.Take();
    FAIL() << "the exception was lost";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "no answer");
  }
  EXPECT_FALSE(task.valid());
}

TEST(BackgroundTask, TheFollowUpSeesTheResultReadyAndTheCapturesReleased) {
  // The capture stands for a file held open by the work.
  auto held = std::make_shared<int>(7);
  std::weak_ptr<int> watch = held;
  std::atomic<bool> readyInFollowUp{false};
  std::atomic<bool> releasedInFollowUp{false};
  Gate followedUp;
  followedUp.Close();
  BackgroundTask<int> task;
  Gate started;
  started.Close();
  task = BackgroundTask<int>::Start([held = std::move(held)] { return *held * 6; },
                                    [&] {
                                      started.Pass();  // until `task` is assigned
                                      readyInFollowUp = task.Ready();
                                      releasedInFollowUp = watch.expired();
                                      followedUp.Open();
                                    });
  started.Open();
  followedUp.Pass();
  EXPECT_TRUE(readyInFollowUp);
  EXPECT_TRUE(releasedInFollowUp);
  EXPECT_EQ(task.Take(), 42);
}

TEST(BackgroundTask, DroppingTheTaskDoesNotWaitForTheWork) {
  auto gate = std::make_shared<Gate>();
  gate->Close();
  auto finished = std::make_shared<Gate>();
  finished->Close();
  {
    BackgroundTask<int> task = BackgroundTask<int>::Start([gate] {
      gate->Pass();
      return 1;
    },
                                                          [finished] { finished->Open(); });
  }  // would hang here if dropping waited
  gate->Open();
  finished->Pass();  // the work still ran to its end
}

}  // namespace
