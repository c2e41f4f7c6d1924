// Work run on a thread of its own whose result is taken once, later: polled
// from a window timer or waited for. What std::async's future does, without
// the future's error classes, whose string and exception machinery would
// cost the shipped executable about 100 KB.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

template <typename T>  // T: default-constructible and movable
class BackgroundTask {
 public:
  BackgroundTask() = default;

  // Starts `work` (called once, returns a T) on a new thread and returns at
  // once. The thread holds the work and the shared result, never the task:
  // dropping the task does not wait; whoever needs that calls Wait(). The
  // work and whatever it captured are released before the result is shown
  // as ready. `then`, when given, is called on that thread once the result
  // is ready (a message to the window that takes it, say).
  template <typename Work>
  static BackgroundTask Start(Work work, std::function<void()> then = nullptr) {
    BackgroundTask task;
    task.state_ = std::make_shared<State>();
    std::thread([state = task.state_, work = std::move(work), then = std::move(then)]() mutable {
      Run(*state, std::move(work));
      if (then) then();
    }).detach();
    return task;
  }

  // Started and its result not yet taken.
  bool valid() const { return state_ != nullptr; }

  // Valid and finished: Take() will not block.
  bool Ready() const {
    if (!state_) return false;
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->done;
  }

  // Blocks until the work has finished (at once when not valid).
  void Wait() const {
    if (!state_) return;
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->finished.wait(lock, [this] { return state_->done; });
  }

  // Waits, then hands over the result or rethrows what the work threw.
  // The task is no longer valid afterwards. Only on a valid task.
  T Take() {
    Wait();
    const std::shared_ptr<State> state = std::move(state_);
    if (state->error) std::rethrow_exception(state->error);
    return std::move(state->value);
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    T value{};
    std::exception_ptr error;
  };

  template <typename Work>
  static void Run(State& state, Work&& work) {
    T value{};
    std::exception_ptr error;
    {
      Work body(std::move(work));
      try {
        value = body();
      } catch (...) {
        error = std::current_exception();
      }
    }  // the work's captures go here, before anyone can see the result
    std::lock_guard<std::mutex> lock(state.mutex);
    state.value = std::move(value);
    state.error = error;
    state.done = true;
    state.finished.notify_all();
  }

  std::shared_ptr<State> state_;
};
