#include "link/KeyQueue.h"

#include <algorithm>

int KeyQueue::load(const QByteArray& keys) {
  const int count = std::min<int>(static_cast<int>(keys.size()), Capacity);
  for (int i = 0; i < count; ++i) keys_[i + 1] = static_cast<uint8_t>(keys[i]);
  keyIndex = 1;
  keyLast = static_cast<uint8_t>(std::max(count, 1));
  return count;
}

KeyQueue::Step KeyQueue::sendStep() {
  Step step;
  if (!keyDue) return step;
  // A position outside the queue (a stale index) ends the run instead of
  // reading beyond it.
  if (keyIndex >= 1 && keyIndex <= Capacity) step.key = keys_[keyIndex];
  step.runEnded = keyIndex >= keyLast || !step.key;
  keyDue = false;
  ++keyIndex;
  return step;
}
