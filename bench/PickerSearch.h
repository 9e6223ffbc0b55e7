#pragma once

#include "GoodsModel.h"
#include "PickerFilter.h"

#include <benchmark/benchmark.h>

// One search of the component picker as the user types it, over whatever
// catalogue list holds: the list shown anew and its first row read.
inline void searchRepeatedly(benchmark::State &state, GoodsModel &list,
                             const PickerCriteria &criteria)
{
    for (auto _ : state) {
        list.show(PickerFilter::typing(criteria));
        benchmark::DoNotOptimize(list.rowCount());
        if (list.rowCount() > 0)
            benchmark::DoNotOptimize(list.data(list.index(0, 0)));
    }
    state.counters["rows"] = list.rowCount();
}
