#include "sound/DefaultTimerSlackForNewThreads.h"

#include <sys/prctl.h>

DefaultTimerSlackForNewThreads::DefaultTimerSlackForNewThreads() : FSaved(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0))
{
    if (FSaved > kDefaultNs)
        prctl(PR_SET_TIMERSLACK, kDefaultNs, 0, 0, 0);
}

DefaultTimerSlackForNewThreads::~DefaultTimerSlackForNewThreads()
{
    if (FSaved > kDefaultNs)
        prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(FSaved), 0, 0, 0);
}
