// Block events handed to a thread of their own: the builder decides the blocks
// of a structured text while another thread writes them. Events travel in
// batches, and only a few batches wait at once, so memory does not grow with
// the input.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "structure_blocks.h"

namespace scrivane {

// Gives the events it takes to a target on another thread, in the same order.
class BlockEventRelay : public BlockEvents {
 public:
  // `target` must outlive the relay; it is used on the relay's thread only.
  explicit BlockEventRelay(BlockEvents& target);
  // Stops the thread; the events not yet given are dropped.
  ~BlockEventRelay() override;
  BlockEventRelay(const BlockEventRelay&) = delete;
  BlockEventRelay& operator=(const BlockEventRelay&) = delete;

  void Heading(int level, std::string_view text, bool plain) override;
  void Open(BlockKind block, long number) override;
  void Line(std::string_view text, bool plain, bool printable) override;
  void Close(BlockKind block) override;
  void Rule() override;

  // Waits until every event taken has been given, then stops the thread.
  // Throws what the target threw (so may any event after the target failed).
  void Finish();

 private:
  enum class Type : unsigned char { Heading, Open, Line, Close, Rule };
  // One event; its text, `size` bytes, follows the text of the events before it.
  struct Event {
    Type type = Type::Rule;
    BlockKind block = BlockKind::Paragraph;
    bool plain = false;
    bool printable = false;
    long number = 0;  // a list's first number, or a heading's level
    std::size_t size = 0;
  };
  // Events in order and their texts, one after another, in buffers of fixed
  // size (a text longer than its buffer gets one of its own).
  struct Batch {
    Batch();
    std::unique_ptr<Event[]> events;
    std::size_t count = 0;
    std::unique_ptr<char[]> text;
    std::size_t used = 0;       // bytes of text
    std::size_t capacity = 0;   // bytes the text buffer holds
  };

  void Take(const Event& event, std::string_view text);
  // Makes room for `size` more bytes of text in the batch being filled.
  void Grow(std::size_t size);
  // Queues the batch being filled, waiting while the queue is full.
  void Send();
  // The thread: gives each queued batch's events to the target.
  void Run();
  void Give(const Batch& batch);
  // Stops the thread once the queue is empty.
  void StopThread();

  BlockEvents& target_;
  std::unique_ptr<Batch> filling_;
  std::mutex mutex_;
  std::condition_variable queued_;   // a batch waits, or the relay ends
  std::condition_variable emptied_;  // a batch was given (or dropped)
  std::deque<std::unique_ptr<Batch>> waiting_;
  std::vector<std::unique_ptr<Batch>> spare_;
  bool ending_ = false;
  std::exception_ptr failure_;  // what the target threw; the rest is dropped
  std::thread thread_;          // last: started once the rest is ready
};

}  // namespace scrivane
