#include "app/errand.h"

#include <pthread.h>

#include <memory>
#include <system_error>

namespace lexidor {

namespace {

struct Launch {
  Errand* errand;
  std::function<void()> work;
};

}  // namespace

void Errand::Start(std::function<void()> work) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    started_ = true;
    running_ = true;
  }
  // Created detached, not detached after: a fatal signal handled on this
  // thread between the two would end the program with a thread that is
  // neither joined nor detached.
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  auto launch = std::make_unique<Launch>(Launch{this, std::move(work)});
  pthread_t thread;
  const int error = pthread_create(
      &thread, &attributes,
      [](void* argument) -> void* {
        std::unique_ptr<Launch> launch(static_cast<Launch*>(argument));
        launch->work();
        Errand* errand = launch->errand;
        launch.reset();
        std::lock_guard<std::mutex> lock(errand->mutex_);
        errand->running_ = false;
        // Under the lock: the owner may go as soon as it sees the work
        // ended.
        errand->done_.notify_all();
        return nullptr;
      },
      launch.get());
  pthread_attr_destroy(&attributes);
  if (error != 0) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      running_ = false;
    }
    throw std::system_error(error, std::generic_category(), "cannot start a thread");
  }
  launch.release();  // the thread's now
}

void Errand::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return !running_; });
}

bool Errand::Started() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return started_;
}

}  // namespace lexidor
