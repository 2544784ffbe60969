// The monitor log as a model: between batches the view keeps the rows it was told of, each row
// showing its own line, and a removal of a line that is not there changes nothing.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>

#include "explorer/MonitorLog.h"

namespace {

QString Row(const TMonitorLog& log, int row) {
  return log.data(log.index(row, 0), Qt::DisplayRole).toString();
}

TEST(MonitorLogModel, TheViewsRowsShowTheirOwnLinesAcrossABatch) {
  TMonitorLog log;
  QAbstractItemModelTester tester(&log, QAbstractItemModelTester::FailureReportingMode::Fatal);
  for (int i = 0; i < 3; ++i) log.Append(QStringLiteral("line %1").arg(i));
  log.Flush();
  ASSERT_EQ(log.rowCount(), 3);

  // Within a batch a new line comes and the oldest gives way; the view has not been told yet.
  log.Append(QStringLiteral("line 3"));
  log.Delete(0);
  EXPECT_EQ(log.rowCount(), 3);
  EXPECT_FALSE(log.data(log.index(0, 0), Qt::DisplayRole).isValid());  // the one gone
  EXPECT_EQ(Row(log, 1), QStringLiteral("line 1"));
  EXPECT_EQ(Row(log, 2), QStringLiteral("line 2"));

  log.Flush();
  ASSERT_EQ(log.rowCount(), 3);
  EXPECT_EQ(Row(log, 0), QStringLiteral("line 1"));
  EXPECT_EQ(Row(log, 2), QStringLiteral("line 3"));

  for (int index : {-1, 3, 100}) log.Delete(index);
  EXPECT_EQ(log.Count(), 3);
  EXPECT_EQ(log.rowCount(), 3);
  EXPECT_EQ(Row(log, 0), QStringLiteral("line 1"));
}

}  // namespace
