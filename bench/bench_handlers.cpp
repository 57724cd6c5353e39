// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Tirlindo developers
#include "app/DesignLook.h"
#include "fakes/Fakes.h"

#include <QApplication>
#include <benchmark/benchmark.h>

// The quiz's handlers run on the UI thread between frames: each must stay far inside 16 ms.

namespace {
std::unique_ptr<Game> shownGame()
{
    installFontSubstitutes();
    auto game = std::make_unique<Game>();
    game->agent.loaded << kMerlinId;
    game->window->show();
    QApplication::processEvents();
    return game;
}
} // namespace

static void BM_cmdNext_Click(benchmark::State &state)
{
    auto game = shownGame();
    for (auto _ : state) {
        game->window->cmdNext_Click();
        game->agent.requests.clear();
    }
}
BENCHMARK(BM_cmdNext_Click)->Unit(benchmark::kMicrosecond);

static void BM_Command3_Click(benchmark::State &state)
{
    auto game = shownGame();
    game->window->cmdNext_Click();
    int i = 0;
    for (auto _ : state) {
        // Alternate right and wrong answers, and walk up the praise ladder.
        game->window->Text3->setText(++i % 2 ? game->window->Text7->text() : QStringLiteral("0"));
        if (game->window->nesatte > 30) {
            game->window->nesatte = 0;
            game->window->lblScore->setCaption(QStringLiteral("0"));
        }
        game->window->Command3_Click();
        game->agent.requests.clear();
    }
}
BENCHMARK(BM_Command3_Click)->Unit(benchmark::kMicrosecond);

static void BM_Text3_KeyPress(benchmark::State &state)
{
    auto game = shownGame();
    for (auto _ : state) {
        state.PauseTiming();
        game->window->cmdNext_Click(); // puts the gradient back for the key to clear
        game->agent.requests.clear();
        state.ResumeTiming();
        Integer key = '2';
        game->window->Text3_KeyPress(key);
        QApplication::processEvents(); // the repaint the key causes
    }
}
BENCHMARK(BM_Text3_KeyPress)->Unit(benchmark::kMicrosecond);

static void BM_RepaintWithGradient(benchmark::State &state)
{
    auto game = shownGame();
    game->window->cmdNext_Click();
    for (auto _ : state)
        benchmark::DoNotOptimize(game->window->surface->grab());
}
BENCHMARK(BM_RepaintWithGradient)->Unit(benchmark::kMicrosecond);

