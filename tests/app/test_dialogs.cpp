#include "app/IniFile.h"
#include "app/about.h"
#include "app/error.h"
#include "app/main.h"
#include "app/splash.h"
#include "app/widgets.h"
#include "support.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

class DialogsTest : public ZotTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    FakeOnPath(QStringLiteral("xdg-open"));
  }
};

TEST_F(DialogsTest, CheckBoxesShowTheLibrariesAndCannotBeChanged) {
  HasLhaDll = true;
  HasZipDll = false;
  HasCabDll = true;
  TErrDlg dlg;
  dlg.show();
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("DLL Check"));
  EXPECT_EQ(dlg.size(), QSize(253, 273));
  EXPECT_EQ(dlg.CheckBox1->text(), QStringLiteral("UNLHA32.DLL"));
  EXPECT_EQ(dlg.CheckBox2->text(), QStringLiteral("UNZIP32.DLL"));
  EXPECT_EQ(dlg.CheckBox4->text(), QStringLiteral("CAB32.DLL"));
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(dlg.CheckBox1->isChecked());
    EXPECT_FALSE(dlg.CheckBox2->isChecked());
    EXPECT_TRUE(dlg.CheckBox4->isChecked());
    for (QCheckBox* box : {dlg.CheckBox1, dlg.CheckBox2, dlg.CheckBox4}) {
      EXPECT_EQ(box->focusPolicy(), Qt::NoFocus);
      QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
  }
  EXPECT_EQ(dlg.Label1->text(),
            QStringLiteral("上記のチェックボックスに\n印の無いモジュールが見つかりません\nインストールを確かめるには\n下記のヘルプをご覧ください。"));
  EXPECT_EQ(dlg.Label2->text(), QStringLiteral("  ・ヘルプ"));
  // Every line of the text shows whole in the fixed-size dialog.
  EXPECT_GE(dlg.Label1->height(), dlg.Label1->sizeHint().height());
  EXPECT_EQ(dlg.BitBtn1->text(), QStringLiteral("確　　認"));
}

TEST_F(DialogsTest, DoNotShowAgainSetsErrorDialogOnlyWhenTicked) {
  Settings.ErrorDialog = false;
  {
    TErrDlg dlg;
    dlg.BitBtn1->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(Settings.ErrorDialog);
  }
  TErrDlg dlg;
  EXPECT_EQ(dlg.CheckBox5->text(), QStringLiteral("今後、このメッセージを出さない"));
  dlg.CheckBox5->setChecked(true);
  dlg.BitBtn1->click();
  EXPECT_TRUE(Settings.ErrorDialog);
  // Never set back here.
  TErrDlg again;
  again.BitBtn1->click();
  EXPECT_TRUE(Settings.ErrorDialog);
}

TEST_F(DialogsTest, LinksOpenThroughTheDesktop) {
  // The check dialog's link leads to the help page's section on the modules,
  // which ship with the program, not to a download page.
  const QString help = HelpFilePath();
  const bool made = !QFileInfo::exists(help);
  if (made) {
    QFile page(help);
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
  }
  TErrDlg dlg;
  dlg.show();
  QTest::mouseClick(dlg.Label3, Qt::LeftButton);
  if (made) QFile::remove(help);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].args, QStringList{QUrl::fromLocalFile(help).toString() + QStringLiteral("#modules")});

  TAboutBox box;
  EXPECT_EQ(box.windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
  EXPECT_EQ(box.Version->text(), QStringLiteral("Ver 1.10"));
  box.show();
  QTest::mouseClick(box.Url, Qt::LeftButton);
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[1].args, QStringList{box.Url->text()});
  QTest::mouseClick(box.Mail, Qt::LeftButton);
  ASSERT_EQ(starts.size(), 3u);
  EXPECT_EQ(starts[2].args, QStringList{QStringLiteral("mailto:") + box.Mail->text() +
                                        QStringLiteral("?cc= &subject=『ピポラ！』について&body= &")});
  // Keyboard users open a link with Enter.
  box.Url->setFocus();
  QTest::keyClick(box.Url, Qt::Key_Return);
  EXPECT_EQ(starts.size(), 4u);
}

TEST_F(DialogsTest, CopyButtonsPutTheLinkTextOnTheClipboard) {
  TAboutBox box;
  EXPECT_EQ(box.Button1->text(), QStringLiteral("URL:"));
  EXPECT_EQ(box.Button1->toolTip(), QStringLiteral("URLをクリップボードにコピーします。"));
  EXPECT_EQ(box.Button2->text(), QStringLiteral("Mail:"));
  EXPECT_EQ(box.Button2->toolTip(), QStringLiteral("Mailアドレスをクリップボードにコピーします。"));
  QClipboard* cb = QGuiApplication::clipboard();
  cb->setText(QStringLiteral("before"));
  box.Button1->click();
  EXPECT_EQ(cb->text(), box.Url->text());
  box.Button2->click();
  EXPECT_EQ(cb->text(), box.Mail->text());
  // An empty link copies nothing.
  box.Url->setText(QString());
  box.Button1->click();
  EXPECT_EQ(cb->text(), box.Mail->text());
  EXPECT_TRUE(box.OKButton->isDefault());
}

TEST_F(DialogsTest, SplashShowsTheVersionCentred) {
  TfSplash splash;
  splash.Version->setText(QStringLiteral("Ver 1.9"));
  EXPECT_EQ(splash.size(), QSize(261, 140));
  EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
  QStringList texts;
  for (QLabel* l : splash.findChildren<QLabel*>()) texts << l->text();
  EXPECT_TRUE(texts.contains(QStringLiteral("ただいま、起動中です・・・")));
  EXPECT_TRUE(texts.contains(QStringLiteral("ピポラ！")));
}

}  // namespace
