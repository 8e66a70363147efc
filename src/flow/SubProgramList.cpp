#include "flow/SubProgramList.h"

void SubProgramList::Append(const SubProgramRecord& record) {
  std::lock_guard<std::mutex> l(lock_);
  records_.push_back(record);
}

void SubProgramList::SetReady() {
  {
    std::lock_guard<std::mutex> l(lock_);
    done_ = true;
  }
  ready_.notify_all();
}

bool SubProgramList::ReopenIfEmpty() {
  std::lock_guard<std::mutex> l(lock_);
  if (!done_ || !records_.empty()) return false;
  done_ = false;
  return true;
}

std::vector<SubProgramRecord> SubProgramList::WaitReady(std::chrono::milliseconds deadline) const {
  std::unique_lock<std::mutex> l(lock_);
  ready_.wait_for(l, deadline, [this] { return done_; });
  return records_;
}

std::vector<SubProgramRecord> SubProgramList::Records() const {
  std::lock_guard<std::mutex> l(lock_);
  return records_;
}

size_t SubProgramList::Size() const {
  std::lock_guard<std::mutex> l(lock_);
  return records_.size();
}

void SubProgramList::MarkDownloaded(size_t index) {
  std::lock_guard<std::mutex> l(lock_);
  if (index < records_.size()) records_[index].downloaded = 1;
}
