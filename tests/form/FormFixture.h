// A form on its own, with a fixed port list and a prompter that records message boxes.
#pragma once

#include "common/FakePortList.h"
#include "common/RecordingPrompter.h"
#include "form/CQuarlinkView.h"
#include "resources/ControlIds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <memory>

namespace quarlink::testing {

class FormFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ports.entries = std::vector<platform::PortEntry>{{"ttyS0", "Built-in port"},
                                                         {"ttyUSB0", "USB adapter (FTDI)"}};
        view = std::make_unique<form::CQuarlinkView>(&ports);
        view->OnInitialUpdate();
    }

    QWidget* w(int id) const { return view->control(id); }
    QComboBox* combo(int id) const { return view->control<QComboBox>(id); }
    QLineEdit* edit(int id) const { return view->control<QLineEdit>(id); }
    QCheckBox* check(int id) const { return view->control<QCheckBox>(id); }
    QAbstractButton* button(int id) const { return view->control<QAbstractButton>(id); }

    // Enables every control, as if a module's settings had been put on the form.
    void enableEverything()
    {
        for (const auto& [id, name] : ids::kControlNames)
            w(id)->setEnabled(true);
    }

    RecordingPrompter prompter;
    FakePortList ports;
    std::unique_ptr<form::CQuarlinkView> view;
};

} // namespace quarlink::testing
