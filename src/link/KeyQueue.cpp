#include "link/KeyQueue.h"

#include <algorithm>

int KeyQueue::load(const QByteArray& keys) {
  const int count = std::min<int>(static_cast<int>(keys.size()), Capacity);
  for (int i = 0; i < count; ++i) keys_[i + 1] = static_cast<uint8_t>(keys[i]);
  KeyIndex = 1;
  KeyLast = static_cast<uint8_t>(std::max(count, 1));
  return count;
}

KeyQueue::Step KeyQueue::sendStep() {
  Step step;
  if (!KeyDue) return step;
  // A position outside the queue (a stale index) ends the run instead of
  // reading beyond it.
  if (KeyIndex >= 1 && KeyIndex <= Capacity) step.key = keys_[KeyIndex];
  step.runEnded = KeyIndex >= KeyLast || !step.key;
  KeyDue = false;
  ++KeyIndex;
  return step;
}
