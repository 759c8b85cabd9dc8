#include "SettingsPane.h"
#include "FormatList.h"

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
        QCOMPARE(pane->Combo1->toolTip(), u"ABC Voice"_qs);
        QCOMPARE(pane->Combo2->toolTip(), u"Other Voice"_qs);
        QCOMPARE(pane->Combo3->toolTip(), u"Audio"_qs);
        QCOMPARE(pane->Combo4->toolTip(), u"Output Format"_qs);
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
        QCOMPARE(pane->Command5->toolTip(), u"Silence"_qs);

        QCOMPARE(pane->Check[0], nullptr);
        QCOMPARE(pane->Check[2]->text(), u"SVSFlagsAsync"_qs);
        QVERIFY(pane->Check[2]->toolTip().endsWith(u"queued. \n"_qs));
        QCOMPARE(pane->Check[11]->toolTip(), u"This mask has every unused bit set."_qs);
        QCOMPARE(pane->Check[12]->text(), u"朗讀自編XML內容 (停用內建XML設定)"_qs);
        QCOMPARE(pane->Check[12]->toolTip(), u"XML Content"_qs);
        QCOMPARE(pane->Check[13]->text(), u"繁中轉簡中"_qs);
        QCOMPARE(pane->Check[14]->text(), u"簡中轉繁中"_qs);
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

        click(13);
        QCOMPARE(pane->conversion(), ScriptConversion::TradToSimp);
        click(14);
        QVERIFY(!pane->Check[13]->isChecked());
        QCOMPARE(pane->conversion(), ScriptConversion::SimpToTrad);
        click(14);
        QCOMPARE(pane->conversion(), ScriptConversion::None);
        click(12);
        QVERIFY(pane->ownMarkup());
    }

    void profilesFollowTheControls() {
        pane->Combo1->addItems({u"English (America)"_qs, u"Chinese (Mandarin)"_qs});
        pane->Combo2->addItems({u"English (America)"_qs, u"Chinese (Mandarin)"_qs});
        pane->Combo2->setCurrentIndex(pane->Combo2->findText(u"Chinese (Mandarin)"_qs));
        pane->Slider1->setValue(-3);
        pane->Slider2->setValue(80);
        pane->Slider6->setValue(-60);
        pane->setCurrentIndex(0);
        pane->Slider7->setFocus();
        QTest::keyClick(pane->Slider7, Qt::Key_Right);
        const auto abc = pane->abcProfile();
        QCOMPARE(abc.voiceName, u"English (America)"_qs);
        QCOMPARE(abc.speed, -3);
        QCOMPARE(abc.volume, 80);
        QCOMPARE(abc.pitch, -60);
        const auto other = pane->otherProfile();
        QCOMPARE(other.voiceName, u"Chinese (Mandarin)"_qs);
        QCOMPARE(other.speed, 0);
        QCOMPARE(other.volume, 100);
        QCOMPARE(other.pitch, 1);
        // Out-of-range values are clamped by the slider, never stored beyond it.
        pane->Slider6->setValue(150);
        QCOMPARE(pane->abcProfile().pitch, 100);
    }

    void formatListFilledTwiceHoldsSeventy() {
        for (int round = 0; round < 2; ++round) {
            pane->Combo4->clear();
            pane->Combo4->addItems(lectern::audio::formatNames());
        }
        QCOMPARE(pane->Combo4->count(), 70);
        pane->Combo4->setCurrentIndex(
            pane->Combo4->findText(QString::fromLatin1(lectern::audio::FallbackFormatName)));
        QCOMPARE(pane->Combo4->currentIndex(), 23);
        QCOMPARE(lectern::audio::formatValue(pane->Combo4->currentText()), 22);
    }
};

QTEST_MAIN(SettingsPaneTest)
#include "SettingsPaneTest.moc"
