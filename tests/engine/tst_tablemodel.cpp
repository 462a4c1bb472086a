// A seeded random sequence of operations run against the engine and against a plain
// reference model (a vector of rows, sorted and filtered the obvious way), comparing the
// visible rows and the current position after every step.
#include "engine/collation.h"
#include "engine/error.h"
#include "engine/table.h"

#include <QCollator>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <array>
#include <optional>
#include <random>
#include <string>
#include <vector>

using engine::FieldDef;
using engine::FieldType;
using engine::Table;

namespace {

constexpr int kFields =
    5; // Name string(3), Other string(2), Num integer, Price currency, Note memo
using Values = std::array<std::string, kFields>; // text form; "" is empty

struct ModelRow {
    unsigned long id;
    Values v;
};

// The collation the engine is given, through Qt's own binding: letter case ignored, accents
// and national letters in the locale's order.
QCollator gCollator;

int compareField(int field, const std::string& a, const std::string& b) {
    if (field == 2) { // integer: empty first, then by value
        if (a.empty() || b.empty())
            return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
        const long x = std::stol(a), y = std::stol(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const int c = gCollator.compare(QString::fromStdString(a), QString::fromStdString(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

struct IndexCase {
    const char* name;
    const char* fields;
    std::vector<int> keys;
};

const std::vector<IndexCase> kIndices = {
    {"ByName", "Name;Num", {0, 2}},
    {"ByNum", "Num", {2}},
    {"ByOther", "Other;Name", {1, 0}},
};

struct FilterCase {
    const char* text;
    int field;
    enum { Equals, Prefix } kind;
    std::string value;
};

const std::vector<FilterCase> kFilters = {
    {"Name = 'ab'", 0, FilterCase::Equals, "ab"}, {"Name = 'a*'", 0, FilterCase::Prefix, "a"},
    {"Name = 'Ä*'", 0, FilterCase::Prefix, "Ä"},  {"Name = ''", 0, FilterCase::Equals, ""},
    {"Num = '3'", 2, FilterCase::Equals, "3"},    {"Num = ''", 2, FilterCase::Equals, ""},
    {"Other = 'b'", 1, FilterCase::Equals, "b"},  {"Name = 'é'", 0, FilterCase::Equals, "é"},
    {"Name = 'Å*'", 0, FilterCase::Prefix, "Å"},  {"Other = 'æØ'", 1, FilterCase::Equals, "æØ"},
};

class Model {
public:
    std::vector<ModelRow> rows; // insertion order
    int index = -1;             // into kIndices
    int filter = -1;            // into kFilters
    bool filtered = false;
    int pos = -1;
    unsigned long nextId = 0;

    bool passes(const ModelRow& r) const {
        if (!filtered || filter < 0)
            return true;
        const FilterCase& f = kFilters[static_cast<std::size_t>(filter)];
        const std::string& v = r.v[static_cast<std::size_t>(f.field)];
        if (f.kind == FilterCase::Prefix)
            return v.rfind(f.value, 0) == 0 && !v.empty();
        return v == f.value;
    }

    std::vector<const ModelRow*> visible() const {
        std::vector<const ModelRow*> out;
        for (const auto& r : rows)
            if (passes(r))
                out.push_back(&r);
        if (index >= 0) {
            const auto& keys = kIndices[static_cast<std::size_t>(index)].keys;
            std::stable_sort(out.begin(), out.end(), [&](const ModelRow* a, const ModelRow* b) {
                for (int k : keys) {
                    const int c = compareField(k, a->v[static_cast<std::size_t>(k)],
                                               b->v[static_cast<std::size_t>(k)]);
                    if (c != 0)
                        return c < 0;
                }
                return false;
            });
        }
        return out;
    }

    int positionOf(unsigned long id) const {
        const auto v = visible();
        for (std::size_t i = 0; i < v.size(); ++i)
            if (v[i]->id == id)
                return static_cast<int>(i);
        return -1;
    }
    void clampTo(int p) {
        const int n = static_cast<int>(visible().size());
        pos = n == 0 ? -1 : std::clamp(p, 0, n - 1);
    }
    unsigned long currentId() const { return visible()[static_cast<std::size_t>(pos)]->id; }
    ModelRow* find(unsigned long id) {
        for (auto& r : rows)
            if (r.id == id)
                return &r;
        return nullptr;
    }
};

std::vector<FieldDef> schema() {
    return {{"Name", FieldType::String, 3},
            {"Other", FieldType::String, 2},
            {"Num", FieldType::Integer, 0},
            {"Price", FieldType::Currency, 0},
            {"Note", FieldType::Memo, 35}};
}

} // namespace

class TestTableModel : public QObject {
    Q_OBJECT

private slots:
    void randomOperationsMatchModel_data();
    void randomOperationsMatchModel();

private:
    std::mt19937 rng_;
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    std::string randomText(int maxChars);
    Values randomValues();
    void write(Table& t, const Values& v);
    void compare(const Table& t, const Model& m, const QString& step);
    void reopen(Table& t, Model& m, const QString& path);
};

std::string TestTableModel::randomText(int maxChars) {
    static const char* letters[] = {"a", "A", "b", "B", "ä", "Ä", "ö", "Ö",
                                    "å", "Å", "e", "é", "É", "æ", "Ø", "z"};
    std::string s;
    const int n = pick(maxChars + 1);
    for (int i = 0; i < n; ++i)
        s += letters[pick(16)];
    return s;
}

Values TestTableModel::randomValues() {
    static const char* prices[] = {"", "1.5", "-2", "0.25", "100"};
    static const char* notes[] = {"", "kort", "en længere note med æøå"};
    Values v;
    v[0] = randomText(3);
    v[1] = randomText(2);
    v[2] = pick(4) == 0 ? "" : std::to_string(pick(7) - 2);
    v[3] = prices[pick(5)];
    v[4] = notes[pick(3)];
    return v;
}

void TestTableModel::write(Table& t, const Values& v) {
    for (int f = 0; f < kFields; ++f)
        t.setText(f, v[static_cast<std::size_t>(f)]);
}

void TestTableModel::compare(const Table& t, const Model& m, const QString& step) {
    const auto v = m.visible();
    QVERIFY2(t.recordCount() == static_cast<int>(v.size()),
             qPrintable(step +
                        QStringLiteral(": count %1, model %2").arg(t.recordCount()).arg(v.size())));
    QVERIFY2(t.currentDisplayRow() == m.pos,
             qPrintable(
                 step +
                 QStringLiteral(": position %1, model %2").arg(t.currentDisplayRow()).arg(m.pos)));
    for (std::size_t i = 0; i < v.size(); ++i)
        for (int f = 0; f < kFields; ++f) {
            const std::string got = t.textAt(static_cast<int>(i), f);
            QVERIFY2(got == v[i]->v[static_cast<std::size_t>(f)],
                     qPrintable(step + QStringLiteral(": row %1 field %2 is '%3', model '%4'")
                                           .arg(i)
                                           .arg(f)
                                           .arg(QString::fromStdString(got))
                                           .arg(QString::fromStdString(
                                               v[i]->v[static_cast<std::size_t>(f)]))));
        }
}

void TestTableModel::reopen(Table& t, Model& m, const QString& path) {
    t.save(path.toStdString());
    t.load(path.toStdString());
    for (const auto& ix : kIndices)
        t.addIndex(ix.name, ix.fields);
    t.setActiveIndex(m.index >= 0 ? kIndices[static_cast<std::size_t>(m.index)].name : "");
    if (m.filter >= 0)
        t.setFilter(kFilters[static_cast<std::size_t>(m.filter)].text);
    t.setFiltered(m.filtered);
    m.clampTo(0);
}

void TestTableModel::randomOperationsMatchModel_data() {
    QTest::addColumn<unsigned>("seed");
    QTest::addColumn<QString>("locale");
    const char* locales[] = {"fi_FI", "da_DK", "en_US"};
    for (unsigned seed : {1U, 2U, 3U, 4U, 5U, 6U, 7U, 8U})
        QTest::addRow("seed %u, %s", seed, locales[seed % 3]) << seed << locales[seed % 3];
}

void TestTableModel::randomOperationsMatchModel() {
    QFETCH(unsigned, seed);
    QFETCH(QString, locale);
    rng_.seed(seed);
    const std::string before = engine::collation::locale();
    engine::collation::setLocale(locale.toStdString());
    const auto restore = qScopeGuard([&] { engine::collation::setLocale(before); });
    gCollator = QCollator(QLocale(locale));
    gCollator.setCaseSensitivity(Qt::CaseInsensitive);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("model.dat"));

    Table t;
    t.create(schema());
    for (const auto& ix : kIndices)
        t.addIndex(ix.name, ix.fields);
    Model m;

    for (int step = 0; step < 1500; ++step) {
        const int op = pick(15);
        QString name;
        const bool empty = m.pos < 0;
        switch (op) {
        case 0:
        case 1: { // append and post
            name = QStringLiteral("append");
            const Values v = randomValues();
            t.append();
            write(t, v);
            t.post();
            const int fallback = static_cast<int>(m.visible().size());
            m.rows.push_back({m.nextId++, v});
            const int at = m.positionOf(m.rows.back().id);
            m.clampTo(at >= 0 ? at : fallback);
            break;
        }
        case 2: { // insert before the current row and post
            name = QStringLiteral("insert");
            const Values v = randomValues();
            t.insert();
            write(t, v);
            t.post();
            const int fallback = empty ? 0 : m.pos;
            m.rows.push_back({m.nextId++, v});
            const int at = m.positionOf(m.rows.back().id);
            m.clampTo(at >= 0 ? at : fallback);
            break;
        }
        case 3: { // insert and cancel: nothing changes
            name = QStringLiteral("insert+cancel");
            t.insert();
            write(t, randomValues());
            QCOMPARE(t.displayRowCount(), t.recordCount() + 1);
            t.cancel();
            break;
        }
        case 4:
        case 5: { // edit the current row and post (or move away, which posts)
            name = QStringLiteral("edit");
            if (empty)
                break;
            const Values v = randomValues();
            const unsigned long id = m.currentId();
            t.edit();
            write(t, v);
            if (pick(2))
                t.post();
            else
                t.checkBrowseMode();
            m.find(id)->v = v;
            const int at = m.positionOf(id);
            m.clampTo(at >= 0 ? at : m.pos);
            break;
        }
        case 6: { // delete the current row
            name = QStringLiteral("delete");
            if (empty) {
                QVERIFY_THROWS_EXCEPTION(engine::Error, t.deleteRecord());
                break;
            }
            const unsigned long id = m.currentId();
            t.deleteRecord();
            std::erase_if(m.rows, [id](const ModelRow& r) { return r.id == id; });
            m.clampTo(m.pos);
            break;
        }
        case 7: { // switch index, keeping the current row
            name = QStringLiteral("index");
            const int i = pick(static_cast<int>(kIndices.size()) + 1) - 1;
            const long keep = empty ? -1 : static_cast<long>(m.currentId());
            t.setActiveIndex(i >= 0 ? kIndices[static_cast<std::size_t>(i)].name : "");
            m.index = i;
            m.clampTo(keep >= 0 ? m.positionOf(static_cast<unsigned long>(keep)) : 0);
            break;
        }
        case 8: { // new filter text
            name = QStringLiteral("filter text");
            const int f = pick(static_cast<int>(kFilters.size()));
            t.setFilter(kFilters[static_cast<std::size_t>(f)].text);
            m.filter = f;
            if (m.filtered)
                m.clampTo(0);
            break;
        }
        case 9: { // filter on or off
            name = QStringLiteral("filter switch");
            const bool on = pick(2);
            t.setFiltered(on);
            m.filtered = on;
            m.clampTo(0);
            break;
        }
        case 10: { // moves
            name = QStringLiteral("move");
            switch (pick(5)) {
            case 0:
                t.first();
                m.clampTo(0);
                break;
            case 1:
                t.last();
                m.clampTo(static_cast<int>(m.visible().size()) - 1);
                break;
            case 2:
                t.next();
                if (!empty)
                    m.clampTo(m.pos + 1);
                break;
            case 3:
                t.prior();
                if (!empty)
                    m.clampTo(m.pos - 1);
                break;
            default: {
                const int to = pick(static_cast<int>(m.visible().size()) + 1);
                t.moveTo(to);
                m.clampTo(to);
            }
            }
            break;
        }
        case 11: { // locate by an exact name
            name = QStringLiteral("locate");
            const std::string value = randomText(2);
            const bool found = t.locate("Name", value);
            const auto v = m.visible();
            int at = -1;
            for (std::size_t i = 0; i < v.size() && at < 0; ++i)
                if (v[i]->v[0] == value)
                    at = static_cast<int>(i);
            QCOMPARE(found, at >= 0);
            if (at >= 0)
                m.pos = at;
            break;
        }
        case 12: { // bookmark survives a move away and back
            name = QStringLiteral("bookmark");
            if (empty)
                break;
            const engine::Bookmark b = t.bookmark();
            t.first();
            t.gotoBookmark(b);
            break;
        }
        case 13: { // an edit left unmodified is cancelled by a move
            name = QStringLiteral("edit+move");
            if (empty)
                break;
            const int changes = t.changeCount();
            t.edit();
            t.next();
            QCOMPARE(t.changeCount(), changes);
            m.clampTo(m.pos + 1);
            break;
        }
        default: // save and load back
            name = QStringLiteral("reopen");
            reopen(t, m, path);
            break;
        }
        compare(t, m, QStringLiteral("step %1 (%2)").arg(step).arg(name));
        if (QTest::currentTestFailed())
            return;
    }
}

QTEST_APPLESS_MAIN(TestTableModel)
#include "tst_tablemodel.moc"
