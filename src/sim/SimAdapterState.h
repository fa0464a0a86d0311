#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "sim/SimFirmware.h"
#include "sim/SimulatedAdapter.h"

namespace padscope {

using SimReportObserver = std::function<void(const SimReport&)>;

// Everything the devices share. One mutex guards all of it; `changed` wakes
// readers when data is queued, a stream starts, or a fault strikes.
struct SimulatedAdapter::State {
  explicit State(const SimConfig& c) : config(c), firmware(c) {}

  // A report to hand to the observer once the lock is released.
  struct Notice {
    std::shared_ptr<const SimReportObserver> observer;
    SimReport report;
    uint64_t ticket = 0;
  };

  const SimConfig config;
  mutable std::mutex mutex;
  std::condition_variable changed;
  SimFirmware firmware;
  bool plugged = true;
  uint64_t generation = 0;  // bumped on every unplug and replug; older handles are dead
  int shortWrites = 0;
  int64_t transfersLeft = -1;  // -1: no fail-after armed
  bool transfersFailing = false;
  std::deque<SimReport> record;
  std::shared_ptr<const SimReportObserver> observer;

  // Observer calls happen outside `mutex` but in the order the reports were
  // recorded: each takes a ticket under `mutex` and waits for its turn here.
  std::mutex observerMutex;
  std::condition_variable observerTurn;
  uint64_t nextTicket = 0;    // guarded by mutex
  uint64_t nextNotified = 0;  // guarded by observerMutex

  // Counts one successful transfer against an armed fail-after budget.
  void CountTransfer() {
    if (transfersLeft > 0 && --transfersLeft == 0) {
      transfersFailing = true;
      changed.notify_all();
    }
  }

  // Records a report (lock held) and returns what the observer must be told.
  Notice Record(bool toAdapter, SimChannel channel, const uint8_t* bytes, size_t length) {
    Notice n;
    const bool keep = config.recordReports && config.recordLimit > 0;
    if (!keep && !observer) {
      return n;
    }
    n.report.toAdapter = toAdapter;
    n.report.channel = channel;
    n.report.bytes.assign(bytes, bytes + length);
    if (keep) {
      record.push_back(n.report);
      while (record.size() > config.recordLimit) {
        record.pop_front();
      }
    }
    if (observer) {
      n.observer = observer;
      n.ticket = nextTicket++;
    }
    return n;
  }

  // Calls the observer (lock released), after every earlier report's call.
  void Notify(const Notice& n) {
    if (!n.observer) {
      return;
    }
    std::unique_lock lock(observerMutex);
    observerTurn.wait(lock, [&] { return nextNotified == n.ticket; });
    lock.unlock();
    // The turn passes on even if the observer throws, or every later call would hang.
    struct PassTurn {
      State& s;
      ~PassTurn() {
        std::lock_guard relock(s.observerMutex);
        ++s.nextNotified;
        s.observerTurn.notify_all();
      }
    } passTurn{*this};
    (*n.observer)(n.report);
  }
};

}  // namespace padscope
