#include "support/RunTogether.h"

#include <QMutex>
#include <QSemaphore>
#include <QThread>

#include <memory>
#include <vector>

#include "database/Connection.h"

QStringList runTogether(int count, const std::function<void(int)>& work) {
  QSemaphore ready;
  QSemaphore go;
  QMutex errorsLock;
  QStringList errors;
  std::vector<std::unique_ptr<QThread>> threads;
  for (int i = 0; i < count; ++i) {
    threads.emplace_back(QThread::create([&, i] {
      ready.release();
      go.acquire();
      try {
        work(i);
      } catch (const DatabaseError& error) {
        QMutexLocker lock(&errorsLock);
        errors << QStringLiteral("[%1] %2").arg(error.code(), QString::fromUtf8(error.what()));
      } catch (const std::exception& error) {
        QMutexLocker lock(&errorsLock);
        errors << QString::fromUtf8(error.what());
      }
    }));
    threads.back()->start();
  }
  ready.acquire(count);
  go.release(count);
  for (auto& thread : threads) thread->wait();
  return errors;
}
