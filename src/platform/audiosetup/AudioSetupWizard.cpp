#include "platform/audiosetup/AudioSetupWizard.h"

#include "platform/audio/AudioSettings.h"
#include "platform/audiosetup/Chime.h"
#include "platform/peer/AudioSetup.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tv::audiosetup {

using namespace tv::peer;

namespace {

constexpr int kTickMs = 20;
// A recording that has not filled after this long is played as far as it got.
constexpr qint64 kRecordLimitMs = AudioSetupWizard::kRecordSeconds * 1000 + 2000;
constexpr std::size_t kRecordSamples = std::size_t(AudioSetupWizard::kRecordSeconds) * kSampleRate;
// The voice client's activation threshold: a level below it is never sent.
constexpr int kThreshold = 1;

QLabel *makeLabel(const QString &objectName, const QString &text, QWidget *parent) {
  auto *l = new QLabel(text, parent);
  l->setObjectName(objectName);
  l->setTextFormat(Qt::PlainText);  // device names come from the system
  l->setWordWrap(true);
  l->setAccessibleName(text);
  return l;
}

// A label whose text changes: it keeps its name, and carries the text as its
// description, which is what screen readers and scripts can read.
void setLabelText(QLabel *label, const QString &text) {
  label->setText(text);
  label->setAccessibleDescription(text);
}

QPushButton *makeButton(const QString &objectName, const QString &caption, QWidget *parent) {
  auto *b = new QPushButton(caption, parent);
  b->setObjectName(objectName);
  b->setAccessibleName(caption);
  b->setAutoDefault(false);
  return b;
}

QProgressBar *makeMeter(const QString &objectName, const QString &caption, QWidget *parent,
                        QVBoxLayout *layout) {
  auto *bar = new QProgressBar(parent);
  bar->setObjectName(objectName);
  bar->setAccessibleName(caption);
  bar->setRange(0, 99);
  bar->setValue(0);
  bar->setTextVisible(false);
  layout->addWidget(makeLabel(objectName + QStringLiteral("Caption"), caption, parent));
  layout->addWidget(bar);
  return bar;
}

QWidget *makePage(const QString &objectName, const QString &heading, QVBoxLayout *&layout) {
  auto *page = new QWidget;
  page->setObjectName(objectName);
  layout = new QVBoxLayout(page);
  QLabel *title = makeLabel(objectName + QStringLiteral("Heading"), heading, page);
  QFont font = title->font();
  font.setBold(true);
  title->setFont(font);
  layout->addWidget(title);
  return page;
}

}  // namespace

AudioSetupWizard::AudioSetupWizard(SetupDevices &devices, QString setupPath, const QString &title,
                                   QWidget *owner)
    : QDialog(owner), devices_(devices), setupPath_(std::move(setupPath)) {
  setObjectName(QStringLiteral("frmAudioSetup"));
  setWindowTitle(title);
  setModal(true);

  pages_ = new QStackedWidget(this);
  pages_->addWidget(buildSpeakersPage());
  pages_->addWidget(buildMicrophonePage());
  pages_->addWidget(buildFinishPage());
  lblRESULT_ = makeLabel(QStringLiteral("lblRESULT"), QString(), this);
  lblRESULT_->setAccessibleName(QStringLiteral("テストの結果"));
  lblRESULT_->setMinimumHeight(lblRESULT_->fontMetrics().lineSpacing() * 2);

  btnBACK_ = makeButton(QStringLiteral("btnBACK"), QStringLiteral("戻る"), this);
  btnNEXT_ = makeButton(QStringLiteral("btnNEXT"), QStringLiteral("次へ"), this);
  btnFINISH_ = makeButton(QStringLiteral("btnFINISH"), QStringLiteral("完了"), this);
  btnCANCEL_ = makeButton(QStringLiteral("btnCANCEL"), QStringLiteral("キャンセル"), this);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton *b : {btnBACK_, btnNEXT_, btnFINISH_, btnCANCEL_}) buttons->addWidget(b);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addWidget(lblRESULT_);
  layout->addLayout(buttons);
  // Wide enough for a help sentence on one line, however the system draws Japanese.
  setMinimumWidth(fontMetrics().horizontalAdvance(
                      QStringLiteral("ヘッドホンではなくスピーカで聞くときは選んでください。")) *
                  5 / 4);

  timer_ = new QTimer(this);
  timer_->setInterval(kTickMs);
  connect(timer_, &QTimer::timeout, this, &AudioSetupWizard::tick);
  connect(btnBACK_, &QPushButton::clicked, this, [this] { showPage(page() - 1); });
  connect(btnNEXT_, &QPushButton::clicked, this, [this] { showPage(page() + 1); });
  connect(btnFINISH_, &QPushButton::clicked, this, &AudioSetupWizard::onFinish);
  connect(btnCANCEL_, &QPushButton::clicked, this, &AudioSetupWizard::reject);
  connect(btnCHIME_, &QPushButton::clicked, this, &AudioSetupWizard::onChime);
  connect(btnRECORD_, &QPushButton::clicked, this, &AudioSetupWizard::onRecord);
}

AudioSetupWizard::~AudioSetupWizard() { stopDevices(); }

QWidget *AudioSetupWizard::buildSpeakersPage() {
  QVBoxLayout *layout = nullptr;
  QWidget *page =
      makePage(QStringLiteral("fraSPEAKERS"), QStringLiteral("スピーカのテスト"), layout);
  lblPLAYDEV_ = makeLabel(QStringLiteral("lblPLAYDEV"), QString(), page);
  lblPLAYDEV_->setAccessibleName(QStringLiteral("再生デバイス"));
  layout->addWidget(lblPLAYDEV_);
  layout->addWidget(makeLabel(QStringLiteral("lblSPEAKERSHELP"),
                              QStringLiteral("「テスト音を鳴らす」を押すと、スピーカからテスト音が"
                                             "鳴ります。音が聞こえたら「次へ」を押してください。"),
                              page));
  btnCHIME_ = makeButton(QStringLiteral("btnCHIME"), QStringLiteral("テスト音を鳴らす"), page);
  layout->addWidget(btnCHIME_, 0, Qt::AlignLeft);
  prgSP_ = makeMeter(QStringLiteral("prgSP"), QStringLiteral("スピーカ出力レベル"), page, layout);
  layout->addStretch();
  return page;
}

QWidget *AudioSetupWizard::buildMicrophonePage() {
  QVBoxLayout *layout = nullptr;
  QWidget *page = makePage(QStringLiteral("fraMIKE"), QStringLiteral("マイクのテスト"), layout);
  lblRECDEV_ = makeLabel(QStringLiteral("lblRECDEV"), QString(), page);
  lblRECDEV_->setAccessibleName(QStringLiteral("録音デバイス"));
  layout->addWidget(lblRECDEV_);
  layout->addWidget(makeLabel(QStringLiteral("lblMIKEHELP"),
                              QStringLiteral("「録音して再生」を押したら、%1秒間マイクに向かって"
                                             "話してください。録音した声をスピーカで再生します。")
                                  .arg(kRecordSeconds),
                              page));
  btnRECORD_ = makeButton(QStringLiteral("btnRECORD"), QStringLiteral("録音して再生"), page);
  layout->addWidget(btnRECORD_, 0, Qt::AlignLeft);
  prgMK_ = makeMeter(QStringLiteral("prgMK"), QStringLiteral("マイク入力レベル"), page, layout);
  layout->addStretch();
  return page;
}

QWidget *AudioSetupWizard::buildFinishPage() {
  QVBoxLayout *layout = nullptr;
  QWidget *page = makePage(QStringLiteral("fraFINISH"), QStringLiteral("設定の完了"), layout);
  lblDEVICES_ = makeLabel(QStringLiteral("lblDEVICES"), QString(), page);
  lblDEVICES_->setAccessibleName(QStringLiteral("使用するデバイス"));
  layout->addWidget(lblDEVICES_);
  chkECHO_ = new QCheckBox(QStringLiteral("スピーカで聞くのでエコーを抑える"), page);
  chkECHO_->setObjectName(QStringLiteral("chkECHO"));
  chkECHO_->setAccessibleName(chkECHO_->text());
  layout->addWidget(chkECHO_);
  layout->addWidget(
      makeLabel(QStringLiteral("lblFINISHHELP"),
                QStringLiteral("ヘッドホンではなくスピーカで聞くときは選んでください。"
                               "相手に自分の声が返って聞こえるのを防ぎます。"
                               "「完了」を押すと設定を保存します。"),
                page));
  layout->addStretch();
  return page;
}

int AudioSetupWizard::page() const { return pages_->currentIndex(); }

void AudioSetupWizard::showPage(int page) {
  if (page < kSpeakersPage || page > kFinishPage) return;
  pages_->setCurrentIndex(page);
  setResult(QString());
  btnBACK_->setEnabled(page > kSpeakersPage);
  btnNEXT_->setEnabled(page < kFinishPage);
  btnFINISH_->setEnabled(page == kFinishPage);
  (page == kFinishPage ? btnFINISH_ : btnNEXT_)->setDefault(true);
  (page == kFinishPage ? btnNEXT_ : btnFINISH_)->setDefault(false);
}

void AudioSetupWizard::setResult(const QString &text) { setLabelText(lblRESULT_, text); }

void AudioSetupWizard::setBusy(bool busy) {
  for (QWidget *w : std::initializer_list<QWidget *>{btnCHIME_, btnRECORD_, chkECHO_})
    w->setEnabled(!busy);
  if (busy) {
    for (QPushButton *b : {btnBACK_, btnNEXT_, btnFINISH_}) b->setEnabled(false);
  } else {
    showPage(page());
  }
}

peer::Result AudioSetupWizard::run() {
  result_ = DPNERR_USERCANCEL;  // unless "完了" says otherwise
  QString why;
  playback_ = devices_.openPlayback(why);
  if (!playback_) {
    qWarning("audio set-up: %s", qUtf8Printable(why));
    return DVERR_PLAYBACKSYSTEMERROR;
  }
  capture_ = devices_.openCapture(why);
  if (!capture_) {
    qWarning("audio set-up: %s", qUtf8Printable(why));
    stopDevices();
    return DVERR_RECORDSYSTEMERROR;
  }
  setLabelText(lblPLAYDEV_, QStringLiteral("再生デバイス: ") + playback_->name());
  setLabelText(lblRECDEV_, QStringLiteral("録音デバイス: ") + capture_->name());
  setLabelText(lblDEVICES_,
               QStringLiteral("再生: %1\n録音: %2").arg(playback_->name(), capture_->name()));
  chkECHO_->setChecked(audio::AudioSettings::read(setupPath_).echoCancellation);
  prgSP_->setValue(0);
  prgMK_->setValue(0);
  setBusy(false);
  showPage(kSpeakersPage);
  btnCHIME_->setFocus();
  exec();
  cancelTest();
  playback_.reset();
  capture_.reset();
  return result_;
}

void AudioSetupWizard::reject() {
  cancelTest();
  result_ = DPNERR_USERCANCEL;
  QDialog::reject();
}

void AudioSetupWizard::onChime() {
  if (test_ == Test::kNone) startPlaying(MakeChime(), Test::kChime);
}

bool AudioSetupWizard::startPlaying(std::vector<std::int16_t> clip, Test test) {
  player_.load(std::move(clip));
  if (!playback_->start([this](std::int16_t *out, int n) { player_.pull(out, n); })) {
    endTest(resultDescription(DVERR_PLAYBACKSYSTEMERROR));
    return false;
  }
  test_ = test;
  testClock_.start();
  setBusy(true);
  setResult(test == Test::kChime ? QStringLiteral("テスト音を鳴らしています…")
                                 : QStringLiteral("録音した声を再生しています…"));
  timer_->start();
  return true;
}

void AudioSetupWizard::onRecord() {
  if (test_ != Test::kNone) return;
  recorder_.reset(kRecordSamples);
  if (!capture_->start([this](const std::int16_t *in, int n) { recorder_.push(in, n); })) {
    endTest(resultDescription(DVERR_RECORDSYSTEMERROR));
    return;
  }
  test_ = Test::kRecording;
  testClock_.start();
  setBusy(true);
  setResult(QStringLiteral("録音しています… (%1秒)").arg(kRecordSeconds));
  timer_->start();
}

void AudioSetupWizard::tick() {
  switch (test_) {
    case Test::kNone:
      timer_->stop();
      return;
    case Test::kChime:
      prgSP_->setValue(player_.meter().take());
      if (playback_->lost()) return endTest(resultDescription(DVERR_PLAYBACKSYSTEMERROR));
      if (player_.finished())
        endTest(
            QStringLiteral("テスト音が聞こえたら「次へ」を押してください。聞こえないときは"
                           "スピーカの接続と音量を確かめてください。"));
      return;
    case Test::kRecording:
      prgMK_->setValue(recorder_.meter().take());
      if (capture_->lost()) return endTest(resultDescription(DVERR_RECORDSYSTEMERROR));
      if (recorder_.full() || testClock_.elapsed() > kRecordLimitMs) {
        capture_->stop();
        prgMK_->setValue(0);
        startPlaying(recorder_.samples(), Test::kPlayingBack);
      }
      return;
    case Test::kPlayingBack:
      if (playback_->lost()) return endTest(resultDescription(DVERR_PLAYBACKSYSTEMERROR));
      if (!player_.finished()) return;
      if (recorder_.maxLevel() >= kThreshold)
        endTest(
            QStringLiteral("マイクの音声が届きました。(最大レベル %1)").arg(recorder_.maxLevel()));
      else
        endTest(
            QStringLiteral("マイクの音声が届きませんでした。マイクの接続と録音の音量を"
                           "確かめてください。"));
      return;
  }
}

void AudioSetupWizard::cancelTest() {
  stopDevices();
  test_ = Test::kNone;
  timer_->stop();
}

void AudioSetupWizard::endTest(const QString &result) {
  cancelTest();
  prgSP_->setValue(0);
  prgMK_->setValue(0);
  setBusy(false);
  setResult(result);
}

void AudioSetupWizard::stopDevices() {
  // Stopping waits for the device threads: the player and recorder are ours again.
  if (playback_) playback_->stop();
  if (capture_) capture_->stop();
}

void AudioSetupWizard::onFinish() {
  const bool recorded =
      audio::AudioSettings::writeEchoCancellation(setupPath_, chkECHO_->isChecked()) &&
      AudioSetup(setupPath_).markRun();
  if (!recorded) {
    result_ = DPNERR_GENERIC;
    QDialog::reject();
    return;
  }
  result_ = kOk;
  accept();
}

}  // namespace tv::audiosetup
