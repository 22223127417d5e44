#pragma once

#include "FakePlatform.h"
#include "StandinServer.h"
#include "dlgRemoteInfoU.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

// The monitor's tests: one stand-in server a suite, listening where Where says with Where's
// scenario, its faults back to their defaults before each test; a fake platform to hand the
// window.
template <typename Where> class MonitorFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = std::make_unique<StandinServer>(Where::listen(), Where::scenario());
    }
    static void TearDownTestSuite() { server.reset(); }

    MonitorFixture() { server->resetFaults(); }

    static QStringList executions(const QString &procedure)
    {
        return server->executions(procedure);
    }
    // The window connected to the server behind Where's share, at the server's port.
    static void connectTo(TdlgRemoteInfo &dlg, const StandinServer &to = *server)
    {
        dlg.setAdsServer(Where::path(), to.port());
    }

    static inline std::unique_ptr<StandinServer> server;
    FakePlatform platform;
};
