#pragma once

#include <QTest>

// Lets the main window's discovery finish: its probes run beside the window. The bound
// only keeps a broken build from hanging; probes end by the engine's time-outs long before.
template <typename Form> bool waitForDiscovery(Form &form, int timeoutMs = 60000)
{
    return QTest::qWaitFor([&form] { return form.DiscoveryDone(); }, timeoutMs);
}
