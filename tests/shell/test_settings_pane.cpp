#include "SettingsPane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

using lectern::shell::SettingsPane;
using lectern::speech::ScriptConversion;

class SettingsPaneTest : public QObject {
    Q_OBJECT
    SettingsPane* pane = nullptr;

    void click(int check) {
        QCheckBox* box = pane->Check[check];
        pane->setCurrentIndex(check <= 14 ? 1 : 0);
        QVERIFY(box->isVisible());
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }

private slots:
    void init() {
        pane = new SettingsPane;
        pane->resize(1000, 160);
        pane->show();
        QVERIFY(QTest::qWaitForWindowExposed(pane));
    }
    void cleanup() {
        delete pane;
        pane = nullptr;
    }

    void controlsAsDesigned() {
        QCOMPARE(pane->count(), 2);
        QCOMPARE(pane->tabText(0), u"語音"_qs);
        QCOMPARE(pane->tabText(1), u"格式"_qs);
        for (QComboBox* c : {pane->Combo1, pane->Combo2, pane->Combo3, pane->Combo4})
            QVERIFY(!c->isEditable());

        struct Range {
            QSlider* slider;
            int min, max, value;
            const char* tip;
        };
        for (const Range& r :
             {Range{pane->Slider1, -10, 10, 0, "Speed"}, Range{pane->Slider3, -10, 10, 0, "Speed"},
              Range{pane->Slider2, 0, 100, 100, "Volume"},
              Range{pane->Slider4, 0, 100, 100, "Volume"},
              Range{pane->Slider6, -100, 100, 0, "Pitch"},
              Range{pane->Slider7, -100, 100, 0, "Pitch"},
              Range{pane->Slider5, 0, 65535, 0, "Mixer Volume"}}) {
            QCOMPARE(r.slider->minimum(), r.min);
            QCOMPARE(r.slider->maximum(), r.max);
            QCOMPARE(r.slider->value(), r.value);
            QCOMPARE(r.slider->singleStep(), 1);
            QCOMPARE(r.slider->toolTip(), QString::fromLatin1(r.tip));
        }
        QCOMPARE(pane->Slider5->pageStep(), 5000);
        QVERIFY(pane->Check[2]->toolTip().endsWith(u"queued. \n"_qs));
        QCOMPARE(pane->speakFlags(), int16_t(11));
        QCOMPARE(pane->conversion(), ScriptConversion::None);
        QVERIFY(!pane->ownMarkup());
    }

    void defaultBoxClearsTheOthersOnClick() {
        click(7);
        click(11);
        QCOMPARE(pane->speakFlags(), int16_t(11 + 32 - 128));
        click(1);
        QVERIFY(pane->Check[1]->isChecked());
        for (int i = 2; i <= 11; ++i)
            QVERIFY2(!pane->Check[i]->isChecked(), qPrintable(QString::number(i)));
        QCOMPARE(pane->speakFlags(), int16_t(0));
        // Unticking it clears them again, after the user ticked one.
        click(3);
        click(1);
        QVERIFY(!pane->Check[1]->isChecked());
        QVERIFY(!pane->Check[3]->isChecked());
    }

    void pairsExcludeEachOther() {
        QVERIFY(pane->Check[5]->isChecked());
        click(6);
        QVERIFY(pane->Check[6]->isChecked());
        QVERIFY(!pane->Check[5]->isChecked());
        QCOMPARE(pane->speakFlags(), int16_t(1 + 2 + 16));
        // A program step ticking a box runs the same interlock.
        pane->Check[5]->setChecked(true);
        QVERIFY(!pane->Check[6]->isChecked());

        // The state markup building reads per character follows the boxes
        // through the interlock, whether a click or a program step ticks them.
        const auto& state = pane->conversionState();
        click(13);
        QCOMPARE(pane->conversion(), ScriptConversion::TradToSimp);
        QCOMPARE(state.load(), ScriptConversion::TradToSimp);
        click(14);
        QVERIFY(!pane->Check[13]->isChecked());
        QCOMPARE(pane->conversion(), ScriptConversion::SimpToTrad);
        QCOMPARE(state.load(), ScriptConversion::SimpToTrad);
        pane->Check[13]->setChecked(true);
        QCOMPARE(state.load(), ScriptConversion::TradToSimp);
        click(13);
        QCOMPARE(pane->conversion(), ScriptConversion::None);
        QCOMPARE(state.load(), ScriptConversion::None);
        click(12);
        QVERIFY(pane->ownMarkup());
    }

    void profilesFollowTheControls() {
        pane->Combo1->addItems({u"English (America)"_qs, u"Chinese (Mandarin)"_qs});
        pane->Combo2->addItems({u"English (America)"_qs, u"Chinese (Mandarin)"_qs});
        pane->Combo2->setCurrentIndex(1);
        pane->Slider1->setValue(-3);
        pane->Slider2->setValue(80);
        pane->Slider6->setValue(-60);
        pane->Slider7->setFocus();
        QTest::keyClick(pane->Slider7, Qt::Key_Right);
        const auto abc = pane->abcProfile();
        const auto other = pane->otherProfile();
        QCOMPARE(std::tie(abc.voiceName, abc.speed, abc.volume, abc.pitch),
                 std::make_tuple(u"English (America)"_qs, -3, 80, -60));
        QCOMPARE(std::tie(other.voiceName, other.speed, other.volume, other.pitch),
                 std::make_tuple(u"Chinese (Mandarin)"_qs, 0, 100, 1));
    }
};

QTEST_MAIN(SettingsPaneTest)
#include "test_settings_pane.moc"
