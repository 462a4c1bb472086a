#pragma once

#include "dbaware/datasource.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <string>

enum TRecMatchType { maFull, maBeginning, maAnywhere };
enum TRecFailPos { fpOriginal, fpEnding, fpTop, fpBottom };
enum TRecLocateError { erNone, erDataset, erField, erMem, erUnknown };
enum TRecOptError { erOptNone, erNoInd, erMatchType, erCaseSens, erNotTable, erNotReady };

// The component's own error type; the locator itself never lets one reach its caller.
class ERecLocateException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Moves a table to the next record whose text in one field matches a search text: a scan in
// the table's current order and filter, or a key lookup on keyed tables.
class TRecLocate : public QObject {
    Q_OBJECT

public:
    using TNotifyEvent = std::function<void(TRecLocate* sender)>;

    static constexpr short crHourGlass = -11;

    explicit TRecLocate(QObject* parent = nullptr);

    void FindFirst();
    void FindNext();
    // Makes ready what a contains-search of DataField needs, so that the first search typed
    // does not wait for it; when the search box is entered, say.
    void Prepare();

    bool DisableControls = true;
    short FindCursor = crHourGlass;
    TRecMatchType MatchType = maAnywhere;
    bool IgnoreCase = true;
    QString DataField;
    QString FindText;
    TRecFailPos FailPos = fpOriginal;
    bool DoBackground = true;
    int NumRecs = 0;
    bool UseIndexes = true;
    TNotifyEvent OnFind;
    TNotifyEvent OnFail;
    TNotifyEvent OnProgress;

    void setDataSource(TDataSource* source) { source_ = source; }
    TDataSource* dataSource() const { return source_; }
    bool Found() const { return found_; }
    TRecLocateError Error() const { return error_; }
    bool Optimized() const { return optimized_; }
    TRecOptError OptError() const { return optError_; }
    QString Copyright() const;
    void setCopyright(const QString&) {} // fixed
    QString Version() const { return QStringLiteral("Beta 0.94"); }
    void setVersion(const QString&) {} // fixed
    int ProgressCount() const { return progressCount_; }
    void setProgressCount(int n); // negative values are ignored
    int MaxMemoSize() const { return maxMemoSize_; }
    void setMaxMemoSize(int n); // 1 to 1048575; others are ignored

private:
    void search(bool fromStart);
    void runSearch(engine::Table& t, int field, bool fromStart);
    void scan(engine::Table& t, int field, bool fromStart);
    bool indexedScan(engine::Table& t, int field);
    void keyedSearch(engine::Table& t, int field, bool fromStart, const std::string& index,
                     bool descending);
    bool compareCurrent(const engine::Table& t, int field);
    bool compareText(std::string_view value);
    bool compareMemo(const engine::Table& t, int field);
    void background();

    QPointer<TDataSource> source_;
    bool found_ = false;
    TRecLocateError error_ = erNone;
    bool optimized_ = false;
    TRecOptError optError_ = erOptNone;
    int progressCount_ = 0;
    int maxMemoSize_ = 32767;
    std::string needle_; // FindText as searched (folded when IgnoreCase)
    qint64 lastPump_ = 0;
};
