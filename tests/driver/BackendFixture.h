#pragma once
// The same behaviour checked on an embedded database file and, where a test
// server is around, on a database reached through the network.
#include <gtest/gtest.h>

#include <memory>

#include "tests/driver/DriverFixture.h"
#include "tests/support/TestSupport.h"

// A small demo database on the backend of the test's parameter, the driver
// and one connection to it.
class BackendTest : public testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        if (GetParam() == Backend::Server) {
            BATCHDEL_REQUIRE_TEST_SERVER();
            server_ = std::make_unique<ServerDatabase>("driver");
            database_ = server_->connectString();
            CreateDemoDatabase(database_, kOrders, 1, TestServerLogin());
        } else {
            database_ = MakeTestDatabase(dir_, kOrders);
        }
        driver_ = LoadDriver();
        ASSERT_NE(driver_, nullptr);
        connection_ = Connect(*driver_, database_);
        ASSERT_NE(connection_, nullptr);
    }
    void TearDown() override {
        connection_.reset();
        driver_.reset();
    }

    int64_t Count(const std::string &sql) { return CountRows(database_, sql); }

    static constexpr int kOrders = 20;
    TempDir dir_;
    std::unique_ptr<ServerDatabase> server_;
    std::string database_;
    std::unique_ptr<ISQLDriver> driver_;
    std::unique_ptr<ISQLConnection> connection_;
};

#define BATCHDEL_ON_EACH_BACKEND(suite) INSTANTIATE_TEST_SUITE_P(Backends, suite, BothBackends(), BackendCaseName)
