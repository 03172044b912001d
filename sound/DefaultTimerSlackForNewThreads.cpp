#include "sound/DefaultTimerSlackForNewThreads.h"

#include <sys/prctl.h>

DefaultTimerSlackForNewThreads::DefaultTimerSlackForNewThreads() : saved_(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0)) {
    if (saved_ > kDefaultNs) prctl(PR_SET_TIMERSLACK, kDefaultNs, 0, 0, 0);
}

DefaultTimerSlackForNewThreads::~DefaultTimerSlackForNewThreads() {
    if (saved_ > kDefaultNs) prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(saved_), 0, 0, 0);
}
