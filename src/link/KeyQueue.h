#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include <QByteArray>

// Keys queued by the programming routines, sent one per KeyQueueTimer tick on idle
// turns of the receive loop. Positions count from 1.
class KeyQueue {
 public:
  static constexpr int Capacity = 100;

  uint8_t keyIndex = 1;  // position of the next key to send
  uint8_t keyLast = 1;   // position of the last key to send
  bool keyDue = false;   // set by each KeyQueueTimer tick

  // Fill positions 1..n (at most Capacity keys are kept), keyIndex := 1,
  // keyLast := n. Returns the number of keys queued.
  int load(const QByteArray& keys);

  struct Step {
    std::optional<uint8_t> key;  // the key to send now
    bool runEnded = false;       // the last key went out: KeyQueueTimer stops
  };
  // The send step of an idle turn.
  Step sendStep();

  uint8_t at(int position) const { return keys_[position]; }

 private:
  std::array<uint8_t, Capacity + 1> keys_{};
};
