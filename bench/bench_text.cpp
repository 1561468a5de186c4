// Czech text order: sort keys for 100 000 random rows, made and sorted, against the same rows
// keyed by ICU's Czech collation and sorted: within 1.5 times, which keeps list sorting of
// loaded data as quick as a well-known collation library. Also LIKE on a pattern that makes a
// backtracking matcher explode, against a plain substring search of the same text.

#include <benchmark/benchmark.h>
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <QRandomGenerator>
#include <QString>
#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Ratio.h"
#include "platform/text/JetText.h"

namespace {

constexpr int kRows = 100000;

const std::vector<QString>& Rows() {
    static const std::vector<QString> rows = [] {
        QRandomGenerator rng(7);
        const QString alphabet =
            QString::fromUtf8("aábcčdďeéěfghchiíjklmnňoópqrřsštťuúůvwxyýzžAÁČŘŠŽ 0123456789-");
        std::vector<QString> v(kRows);
        for (QString& r : v) {
            const int len = 5 + static_cast<int>(rng.bounded(25));
            for (int i = 0; i < len; ++i)
                r += alphabet[static_cast<int>(rng.bounded(static_cast<int>(alphabet.size())))];
        }
        return v;
    }();
    return rows;
}

void BM_JetSortKeys(benchmark::State& state) {
    const auto& rows = Rows();
    for (auto _ : state) {
        std::vector<std::pair<QByteArray, int>> keyed;
        keyed.reserve(rows.size());
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) keyed.emplace_back(JetSortKey(rows[i]), i);
        std::sort(keyed.begin(), keyed.end());
        benchmark::DoNotOptimize(keyed.data());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_IcuSortKeys(benchmark::State& state) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(icu::Locale("cs"), status));
    if (U_FAILURE(status)) {
        state.SkipWithError("no Czech collation");
        return;
    }
    collator->setStrength(icu::Collator::SECONDARY);
    const auto& rows = Rows();
    for (auto _ : state) {
        std::vector<std::pair<std::string, int>> keyed;
        keyed.reserve(rows.size());
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
            const QString& s = rows[static_cast<size_t>(i)];
            const icu::UnicodeString u(reinterpret_cast<const char16_t*>(s.utf16()),
                                       static_cast<int32_t>(s.size()));
            std::string key(96, '\0');
            int32_t n = collator->getSortKey(u, reinterpret_cast<uint8_t*>(key.data()), 96);
            if (n > 96) {
                key.resize(static_cast<size_t>(n));
                n = collator->getSortKey(u, reinterpret_cast<uint8_t*>(key.data()), n);
            }
            key.resize(static_cast<size_t>(n));
            keyed.emplace_back(std::move(key), i);
        }
        std::sort(keyed.begin(), keyed.end());
        benchmark::DoNotOptimize(keyed.data());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

// 20 000 letters against "%a%a%a%a%a%b": the matcher must stay linear-ish, not explode.
void BM_LikePathological(benchmark::State& state) {
    const QString text(20000, 'a');
    for (auto _ : state) benchmark::DoNotOptimize(JetLike(text, "%a%a%a%a%a%b"));
}

void BM_SubstringSearch(benchmark::State& state) {
    const QString text(20000, 'a');
    for (auto _ : state) benchmark::DoNotOptimize(text.contains(QStringLiteral("ab"), Qt::CaseInsensitive));
}

BENCHMARK(BM_JetSortKeys)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_IcuSortKeys)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_LikePathological)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_SubstringSearch)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
    Rows();  // made before any timing starts
    return RunWithRatios(
        argc, argv,
        {{"jet_sort_keys_vs_icu", "BM_JetSortKeys", "BM_IcuSortKeys", 1.5},
         {"like_pathological_vs_substring", "BM_LikePathological", "BM_SubstringSearch", 50.0}});
}
