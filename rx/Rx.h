#pragma once

#include "rx/BehaviorRelay.h"
#include "rx/BehaviorSubject.h"
#include "rx/ConcurrentDispatchQueueScheduler.h"
#include "rx/Disposable.h"
#include "rx/MainScheduler.h"
#include "rx/Observable.h"
#include "rx/PublishSubject.h"
#include "rx/Published.h"
#include "rx/Unit.h"
