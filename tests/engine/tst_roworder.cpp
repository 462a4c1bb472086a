// Row orders against a plain vector: thousands of inserts and erases at random places, so that
// blocks fill, split and empty, with every way of reading checked after each burst.
#include "engine/roworder.h"

#include <QtTest>

#include <algorithm>
#include <random>
#include <vector>

using engine::RowOrder;

class TestRowOrder : public QObject {
    Q_OBJECT

private slots:
    void matchesVector_data();
    void matchesVector();
};

void TestRowOrder::matchesVector_data() {
    QTest::addColumn<bool>("tracked");
    QTest::addColumn<int>("loaded");    // rows assigned at the start
    QTest::addColumn<int>("insertPct"); // share of inserts among the steps
    QTest::newRow("tracked, growing from empty") << true << 0 << 80;
    QTest::newRow("tracked, loaded then shrinking to nothing") << true << 3000 << 20;
    QTest::newRow("untracked, churning") << false << 2000 << 50;
}

void TestRowOrder::matchesVector() {
    QFETCH(bool, tracked);
    QFETCH(int, loaded);
    QFETCH(int, insertPct);
    std::mt19937 rng(7);
    std::vector<std::uint32_t> model;
    std::uint32_t nextRow = 0;
    for (; nextRow < static_cast<std::uint32_t>(loaded); ++nextRow)
        model.push_back(nextRow);
    std::shuffle(model.begin(), model.end(), rng);
    RowOrder order(tracked);
    order.assign(model);

    auto check = [&] {
        QCOMPARE(order.size(), model.size());
        QCOMPARE(std::vector<std::uint32_t>(order.begin(), order.end()), model);
        for (std::size_t i = 0; i < model.size(); i += 7) // positional reads, out of turn too
            QCOMPARE(order[model.size() - 1 - i], model[model.size() - 1 - i]);
        if (tracked)
            for (std::uint32_t row = 0; row < nextRow; row += 3) {
                const auto it = std::find(model.begin(), model.end(), row);
                const std::size_t want = it == model.end()
                                             ? RowOrder::npos
                                             : static_cast<std::size_t>(it - model.begin());
                QCOMPARE(order.positionOf(row), want);
            }
        if (model.empty())
            return;
        const std::size_t from = rng() % model.size(), to = from + rng() % 900;
        std::vector<std::uint32_t> seen;
        order.forEach(from, to, [&](std::uint32_t r) {
            seen.push_back(r);
            return true;
        });
        QCOMPARE(seen, std::vector<std::uint32_t>(model.begin() + static_cast<std::ptrdiff_t>(from),
                                                  model.begin() + static_cast<std::ptrdiff_t>(
                                                                      std::min(to, model.size()))));
        // Rows at model positions below a cut are "before": the point is the cut.
        const std::size_t cut = rng() % (model.size() + 1);
        std::vector<std::size_t> rank(nextRow);
        for (std::size_t i = 0; i < model.size(); ++i)
            rank[model[i]] = i;
        QCOMPARE(order.partitionPoint([&](std::uint32_t r) { return rank[r] < cut; }), cut);
    };

    check();
    for (int step = 0; step < 6000; ++step) {
        if (model.empty() || static_cast<int>(rng() % 100) < insertPct) {
            // Runs of inserts at one place fill a block fastest.
            const std::size_t at = step % 3 ? rng() % (model.size() + 1) : model.size() / 2;
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), nextRow);
            order.insert(at, nextRow++);
        } else {
            const std::size_t at = step % 3 ? rng() % model.size() : 0;
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
            order.erase(at);
        }
        if (step % 500 == 0)
            check();
    }
    check();
    while (!model.empty()) { // down to nothing, then up again
        model.pop_back();
        order.erase(model.size());
    }
    check();
    order.push_back(nextRow);
    model.push_back(nextRow++);
    check();
}

QTEST_APPLESS_MAIN(TestRowOrder)
#include "tst_roworder.moc"
