#pragma once

// A window on the simulated module: the simulator started with some options, the window
// shown with its port open on the simulator's line, and its messages collected instead of
// shown in boxes.

#include "tests/EventWait.h"
#include "tests/e2e/SimProcess.h"
#include "ui/Messages.h"
#include "ui/TForm1.h"

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class SimWindow : public ::testing::Test {
protected:
    void Start(std::vector<std::string> simOptions) {
        // The simulator before goes first: on its way out it takes its link away.
        sim.reset();
        sim = std::make_unique<SimProcess>(std::move(simOptions));
        ASSERT_NE(sim->ready.find("ready"), std::string::npos) << sim->ready;
        SetMessageSink([this](MessageKind, const QString& text) { messages << text; });
        form = std::make_unique<TForm1>();
        form->show();
        form->SPREALCOM->ShowText(QString::fromStdString(sim->link));
        QTest::mouseClick(form->Button1, Qt::LeftButton);
        ASSERT_TRUE(form->link.PortIsOpen) << Said();
    }
    void TearDown() override {
        form.reset();
        SetMessageSink(nullptr);
    }
    // Runs the window's action named `action`, as its menu entry does.
    void Trigger(const char* action) {
        auto* found = form->findChild<QAction*>(action);
        ASSERT_NE(found, nullptr) << action;
        found->trigger();
    }
    std::string Said() const { return messages.join("|").toStdString(); }

    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<TForm1> form;
    QStringList messages;
};
