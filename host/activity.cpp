#include "activity.h"

namespace host {

void Activity::Queued(int user) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++now_.queued[user];
  ++now_.sequence;
}

void Activity::Started(int user) {
  std::lock_guard<std::mutex> lock(mutex_);
  --now_.queued[user];
  ++now_.running[user];
  ++now_.sequence;
}

void Activity::Finished(int user) {
  std::lock_guard<std::mutex> lock(mutex_);
  --now_.running[user];
  ++now_.sequence;
}

Activity::Snapshot Activity::Take() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return now_;
}

}  // namespace host
