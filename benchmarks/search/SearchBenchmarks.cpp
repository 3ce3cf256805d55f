#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <random>
#include <string>

#include "Brindle/SearchEngine.h"

namespace {

// 2,000 objects under three terms each: a name, a maker and a category, made of syllables so that
// short queries hit many keys and longer ones few, as in a start menu.
std::shared_ptr<Brindle::SearchEngine<int>> makeIndex() {
    static constexpr std::array<const char*, 16> syllables{"ka", "lo", "mi", "nu", "re", "sa", "ti", "vo",
                                                           "be", "da", "fo", "gi", "ho", "ju", "pe", "qu"};
    std::mt19937 next(12345);
    auto word = [&](int parts) {
        std::string text;
        for (int i = 0; i < parts; ++i) text += syllables[next() % syllables.size()];
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
        return text;
    };
    auto index = Brindle::make<Brindle::SearchEngine<int>>();
    for (int object = 0; object < 2000; ++object)
        index->add(object, {word(3) + " " + word(2), word(2) + " Software " + std::to_string(object),
                            word(1) + " Tools " + std::to_string(object)});
    return index;
}

void searchWithQuery(benchmark::State& state, const char* query) {
    const auto index = makeIndex();
    std::size_t hits = 0;
    for (auto _ : state) {
        auto results = index->search(query);
        hits = results.size();
        benchmark::DoNotOptimize(results);
    }
    state.counters["keys"] = static_cast<double>(index->objects().size());
    state.counters["hits"] = static_cast<double>(hits);
}

}  // namespace

BENCHMARK_CAPTURE(searchWithQuery, oneLetter, "k")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(searchWithQuery, fiveLetters, "omisa")->Unit(benchmark::kMicrosecond);
