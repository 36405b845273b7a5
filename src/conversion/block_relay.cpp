// A batch is sent when its text or its events pass a size; a sent batch comes
// back, cleared, to be filled again. A batch that took in one very long line
// gives its memory back instead of keeping it.
#include "block_relay.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "body.h"

namespace scrivane {
namespace {

constexpr std::size_t kBatchText = 32 * 1024;
constexpr std::size_t kBatchEvents = 1024;
constexpr std::size_t kMaxWaiting = 3;
constexpr std::size_t kKeptText = 1024 * 1024;

}  // namespace

BlockEventRelay::Batch::Batch()
    : events(std::make_unique<Event[]>(kBatchEvents)),
      text(UninitialisedBytes(kBatchText)),
      capacity(kBatchText) {}

BlockEventRelay::BlockEventRelay(BlockEvents& target)
    : target_(target), filling_(std::make_unique<Batch>()), thread_([this] { Run(); }) {}

BlockEventRelay::~BlockEventRelay() {
  {
    std::lock_guard lock(mutex_);
    waiting_.clear();
  }
  StopThread();
}

// Called for every event: kept small, so that it is inlined.
inline void BlockEventRelay::Take(const Event& event, std::string_view text) {
  Batch& batch = *filling_;
  if (text.size() > batch.capacity - batch.used) Grow(text.size());
  batch.events[batch.count++] = event;
  if (!text.empty()) std::memcpy(batch.text.get() + batch.used, text.data(), text.size());
  batch.used += text.size();
  if (batch.used >= kBatchText || batch.count == kBatchEvents) Send();
}

void BlockEventRelay::Heading(int level, std::string_view text, bool plain) {
  Take({Type::Heading, BlockKind::Paragraph, plain, false, level, text.size()}, text);
}

void BlockEventRelay::Open(BlockKind block, long number) { Take({Type::Open, block, false, false, number, 0}, {}); }

void BlockEventRelay::Line(std::string_view text, bool plain, bool printable) {
  Take({Type::Line, BlockKind::Paragraph, plain, printable, 0, text.size()}, text);
}

void BlockEventRelay::Close(BlockKind block) { Take({Type::Close, block, false, false, 0, 0}, {}); }

void BlockEventRelay::Rule() { Take({Type::Rule, BlockKind::Paragraph, false, false, 0, 0}, {}); }

void BlockEventRelay::Finish() {
  if (filling_->count > 0) Send();
  StopThread();
  if (failure_) std::rethrow_exception(failure_);
}

void BlockEventRelay::Grow(std::size_t size) {
  Batch& batch = *filling_;
  const std::size_t capacity = std::max(2 * batch.capacity, batch.used + size);
  auto text = UninitialisedBytes(capacity);
  if (batch.used > 0) std::memcpy(text.get(), batch.text.get(), batch.used);
  batch.text = std::move(text);
  batch.capacity = capacity;
}

void BlockEventRelay::Send() {
  std::unique_lock lock(mutex_);
  emptied_.wait(lock, [&] { return waiting_.size() < kMaxWaiting || failure_; });
  if (failure_) std::rethrow_exception(failure_);  // nothing more can be written
  waiting_.push_back(std::move(filling_));
  if (spare_.empty()) {
    filling_ = std::make_unique<Batch>();
  } else {
    filling_ = std::move(spare_.back());
    spare_.pop_back();
  }
  lock.unlock();
  queued_.notify_one();
}

void BlockEventRelay::Run() {
  for (;;) {
    std::unique_ptr<Batch> batch;
    {
      std::unique_lock lock(mutex_);
      queued_.wait(lock, [&] { return ending_ || !waiting_.empty(); });
      if (waiting_.empty()) return;
      batch = std::move(waiting_.front());
      waiting_.pop_front();
    }
    try {
      Give(*batch);
    } catch (...) {
      std::lock_guard lock(mutex_);
      failure_ = std::current_exception();
      waiting_.clear();
    }
    batch->count = 0;
    batch->used = 0;
    if (batch->capacity > kKeptText) {
      batch->text = UninitialisedBytes(kBatchText);
      batch->capacity = kBatchText;
    }
    {
      std::lock_guard lock(mutex_);
      spare_.push_back(std::move(batch));
    }
    emptied_.notify_one();
  }
}

void BlockEventRelay::Give(const Batch& batch) {
  const char* at = batch.text.get();
  for (std::size_t i = 0; i < batch.count; ++i) {
    const Event& event = batch.events[i];
    const std::string_view text(at, event.size);
    at += event.size;
    switch (event.type) {
      case Type::Heading: target_.Heading(static_cast<int>(event.number), text, event.plain); break;
      case Type::Open: target_.Open(event.block, event.number); break;
      case Type::Line: target_.Line(text, event.plain, event.printable); break;
      case Type::Close: target_.Close(event.block); break;
      case Type::Rule: target_.Rule(); break;
    }
  }
}

void BlockEventRelay::StopThread() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  queued_.notify_one();
  thread_.join();
}

}  // namespace scrivane
