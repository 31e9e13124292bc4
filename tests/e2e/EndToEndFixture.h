// The real form and sequence engine against a simulated module on a pseudo-terminal.
#pragma once

#include "common/FakePortList.h"
#include "common/RecordingPrompter.h"
#include "form/CQuarlinkView.h"
#include "platform/WindowTimers.h"
#include "resources/ControlIds.h"
#include "serial/SequenceEngine.h"
#include "sim/SimulatedModule.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <memory>

namespace quarlink::testing {

using namespace quarlink::ids;
using Bytes = std::vector<std::uint8_t>;

class EndToEnd : public ::testing::Test
{
protected:
    // Starts the module with `faults`, and a form that has opened its port.
    void start(sim::FaultPlan faults = {})
    {
        sim::SimulatedModuleConfig config;
        config.runner.faults = std::move(faults);
        start(std::move(config));
    }

    void start(sim::SimulatedModuleConfig config)
    {
        std::string error;
        module = sim::SimulatedModule::start(config, error);
        ASSERT_TRUE(module) << error;
        initial = module->runner().committedSettings();
        ports.entries =
            std::vector<platform::PortEntry>{{QString::fromStdString(module->devicePath()), {}}};
        view = std::make_unique<form::CQuarlinkView>(&ports);
        view->OnInitialUpdate();
        button(IDC_OPEN)->click();
        ASSERT_TRUE(view->isPortOpen()) << prompter.texts().join("; ").toStdString();
    }

    void TearDown() override
    {
        view.reset();
        module.reset();
    }

    template <class Condition> static bool waitFor(Condition done, int limitMs = 5000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > limitMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        return true;
    }

    // Waits until the module has received `count` commands, then lets their answers (if any)
    // reach the form.
    void waitForCommands(std::size_t count)
    {
        ASSERT_TRUE(waitFor([&] { return module->runner().receivedCommands().size() >= count; }));
        waitFor([] { return false; }, 50);
    }

    bool runGetInfo()
    {
        button(IDC_GET_INFO)->click();
        return waitFor([&] { return w(IDC_SET_INFO)->isEnabled() || !prompter.messages.empty(); });
    }

    bool runSetInfo()
    {
        button(IDC_SET_INFO)->click();
        return waitFor([&] { return !prompter.messages.empty(); }) &&
               waitFor([&] { return lastLetter() == 'G'; });
    }

    std::uint8_t lastLetter() const
    {
        const auto commands = module->runner().receivedCommands();
        return commands.empty() ? 0 : commands.back().letter;
    }

    QWidget* w(int id) const { return view->control(id); }
    QAbstractButton* button(int id) const { return view->control<QAbstractButton>(id); }
    QComboBox* combo(int id) const { return view->control<QComboBox>(id); }
    QLineEdit* edit(int id) const { return view->control<QLineEdit>(id); }
    void choose(int listId, int index) const
    {
        combo(listId)->setCurrentIndex(index);
        emit combo(listId)->activated(index);
    }

    Bytes committed(std::uint8_t item) const
    {
        const auto settings = module->runner().committedSettings();
        const auto bytes = settings.item(item);
        return Bytes(bytes.begin(), bytes.end());
    }

    RecordingPrompter prompter;
    FakePortList ports;
    std::unique_ptr<sim::SimulatedModule> module;
    sim::ModuleSettings initial;
    std::unique_ptr<form::CQuarlinkView> view;
};

} // namespace quarlink::testing
