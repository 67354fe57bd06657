// The frame-rate display: its rate smoothing and colours, its keys, logging,
// and recording of real frames as JPEG files in a real window.
#include <gtest/gtest.h>
#include <unistd.h>

#include <SFML/Graphics.hpp>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "DisplayManager.h"
#include "EventKeyboard.h"
#include "EventStep.h"
#include "Fraps.h"
#include "GameManager.h"
#include "LogManager.h"
#include "WorldManager.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

using sbtest::HEADLESS;

sb::EventKeyboard key(sb::Keyboard::Key k, sb::EventKeyboardAction action = sb::KEY_PRESSED) {
  sb::EventKeyboard event;
  event.setKey(k);
  event.setKeyboardAction(action);
  return event;
}

bool fileExists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

TEST(FrapsDisplay, StartsAsAGreenRateAtTheTopRight) {
  // Headless needs no X server: making the display must not open one.
  unsetenv("DISPLAY");
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::Fraps *fraps = new sb::Fraps(true);
  EXPECT_TRUE(fraps->getRecord());
  fraps->setRecord(false);
  EXPECT_EQ(fraps->getType(), "Fraps");
  EXPECT_EQ(fraps->getLocation(), sb::TOP_RIGHT);
  EXPECT_EQ(fraps->getViewString(), "fps");
  EXPECT_EQ(fraps->getColor(), sb::GREEN);
  EXPECT_EQ(fraps->getValue(), 30);
  EXPECT_FALSE(fraps->getRecord());
  EXPECT_FALSE(fraps->getLogFrameRate());
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(), "Fraps::Fraps(): Fraps module loaded."), 1);
  sb::WorldManager::getInstance().markForDelete(fraps);
  sb::WorldManager::getInstance().update();
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(), "Fraps::Fraps(): Fraps module unloaded"), 1);
}

// Steps the display about 40 ms after the previous step and checks the rate
// against the bounds of the interval it could have measured.
void checkSmoothing(sb::Fraps *fraps, float start, sb::Color color) {
  sb::EventStep step_event;
  SteadyClock::time_point a0 = SteadyClock::now();
  fraps->eventHandler(&step_event);
  SteadyClock::time_point a1 = SteadyClock::now();
  sb::Fraps::setFrameRate(start);
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  SteadyClock::time_point b0 = SteadyClock::now();
  EXPECT_EQ(fraps->eventHandler(&step_event), 1);
  SteadyClock::time_point b1 = SteadyClock::now();

  using std::chrono::duration_cast;
  using std::chrono::microseconds;
  long long d_min = duration_cast<microseconds>(b0 - a1).count();
  long long d_max = duration_cast<microseconds>(b1 - a0).count() + 1;
  double low = start * 0.97 + (1000000 / d_max) * 0.03;
  double high = start * 0.97 + (1000000 / d_min) * 0.03;
  float rate = sb::Fraps::getFrameRate();
  EXPECT_GE(rate, low - 1e-4);
  EXPECT_LE(rate, high + 1e-4);
  EXPECT_EQ(fraps->getValue(), static_cast<int>(rate + 0.5f));
  EXPECT_EQ(fraps->getColor(), color);
}

TEST(FrapsRate, SmoothsTowardsTheStepRateAndColoursIt) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::Fraps *fraps = new sb::Fraps(false);
  checkSmoothing(fraps, 30, sb::GREEN);  // about 29.85
  checkSmoothing(fraps, 24, sb::YELLOW);
  checkSmoothing(fraps, 10, sb::RED);

  // The rate is shared: a second display shows what the first measured.
  sb::Fraps::setFrameRate(50);
  sb::Fraps *other = new sb::Fraps(false);
  checkSmoothing(other, 50, sb::GREEN);
  EXPECT_GT(sb::Fraps::getFrameRate(), 45);
}

TEST(FrapsKeys, PressedKeysToggleVisibilityLoggingAndRecording) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::LogManager::getInstance().setLogLevel(1);
  sb::Fraps *fraps = new sb::Fraps(false);
  sb::EventStep step_event;

  // Released and held keys change nothing.
  for (sb::Keyboard::Key k : {sb::Keyboard::F9, sb::Keyboard::F11, sb::Keyboard::F12}) {
    for (sb::EventKeyboardAction action : {sb::KEY_RELEASED, sb::KEY_DOWN}) {
      sb::EventKeyboard event = key(k, action);
      EXPECT_EQ(fraps->eventHandler(&event), 1);
    }
  }
  sb::EventKeyboard other_key = key(sb::Keyboard::A);
  EXPECT_EQ(fraps->eventHandler(&other_key), 1);
  EXPECT_TRUE(fraps->isVisible());
  EXPECT_FALSE(fraps->getLogFrameRate());
  EXPECT_FALSE(fraps->getRecord());

  sb::EventKeyboard f9 = key(sb::Keyboard::F9);
  fraps->eventHandler(&f9);
  EXPECT_FALSE(fraps->isVisible());
  fraps->eventHandler(&f9);
  EXPECT_TRUE(fraps->isVisible());
  std::string log = sbtest::readLog();
  size_t hide = log.find("Fraps::eventHandler(): Setting visibility to false");
  size_t show = log.find("Fraps::eventHandler(): Setting visibility to true");
  EXPECT_NE(hide, std::string::npos);
  EXPECT_NE(show, std::string::npos);
  EXPECT_LT(hide, show);

  // F11: the rate from before the step's update is logged, in cyan.
  sb::EventKeyboard f11 = key(sb::Keyboard::F11);
  fraps->eventHandler(&f11);
  EXPECT_TRUE(fraps->getLogFrameRate());
  sb::Fraps::setFrameRate(42.4f);
  fraps->eventHandler(&step_event);
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(), "Fraps: frame rate 42 f/s"), 1);
  EXPECT_EQ(fraps->getColor(), sb::CYAN);

  // F12 without a window: every step says so and skips the rest.
  sb::EventKeyboard f12 = key(sb::Keyboard::F12);
  fraps->eventHandler(&f12);
  EXPECT_TRUE(fraps->getRecord());
  sb::Fraps::setFrameRate(5);
  EXPECT_EQ(fraps->eventHandler(&step_event), 1);
  EXPECT_EQ(fraps->eventHandler(&step_event), 1);
  EXPECT_EQ(sb::Fraps::getFrameRate(), 5);
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(),
                            "Fraps::eventHandler(): DM window is NULL. Unable to record."),
            2);
  fraps->eventHandler(&f12);
  EXPECT_FALSE(fraps->getRecord());
  fraps->eventHandler(&f11);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  sb::Fraps::setFrameRate(5);
  fraps->eventHandler(&step_event);
  EXPECT_EQ(fraps->getColor(), sb::RED);
}

// Draws a row of '@' in red at cells 30..37 of row 10 every step.
class Painter : public sb::Object {
 public:
  Painter() { setSolidness(sb::SPECTRAL); }
  int draw() override {
    return sb::DisplayManager::getInstance().drawString(sb::Vector(30, 10), "@@@@@@@@",
                                                        sb::LEFT_JUSTIFIED, sb::RED);
  }
};

// Ends the game loop in the step numbered last.
class Stopper : public sb::Object {
  int last;

 public:
  explicit Stopper(int init_last) : last(init_last) {
    setSolidness(sb::SPECTRAL);
    registerInterest(sb::STEP_EVENT);
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() != sb::STEP_EVENT) return 0;
    if (sb::GameManager::getInstance().getStepCount() >= last)
      sb::GameManager::getInstance().setGameOver();
    return 1;
  }
};

// 80 x 24 cells of 10 x 20 pixels.
std::string windowConfig() {
  return "window_horizontal_pixels:800,\nwindow_vertical_pixels:480,\nfont_scale:1,\n"
         "frame_time:10,\nwindow_title:FrapsTest,\n" +
         sbtest::fontConfig();
}

// Pixels in the painter's cells that are clearly red (JPEG blurs the edges).
int redPixels(const sf::Image &image) {
  int count = 0;
  for (unsigned int y = 195; y < 225; y++)
    for (unsigned int x = 295; x < 385; x++) {
      sf::Color c = image.getPixel(x, y);
      if (c.r > 150 && c.g < 100 && c.b < 100) count++;
    }
  return count;
}

TEST(FrapsRecording, EveryStepSavesTheFrameThatWasDrawn) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  ASSERT_EQ(sbtest::startEngine(windowConfig()), 0) << sbtest::readLog();
  sb::Fraps *fraps = new sb::Fraps(true);
  new Painter;
  new Stopper(2);
  sb::GameManager::getInstance().run();
  EXPECT_EQ(fraps->getColor(), sb::WHITE);

  for (int step = 0; step <= 2; step++) {
    std::string name = sbtest::tempDir() + "/fraps-" + std::to_string(step) + ".jpg";
    SCOPED_TRACE(name);
    sf::Image image;
    ASSERT_TRUE(image.loadFromFile(name));
    EXPECT_EQ(image.getSize(), sf::Vector2u(800, 480));
    // Step 0 shows what was drawn before the loop: nothing. Later steps show
    // the previous step's frame, with the painter's red row.
    if (step == 0)
      EXPECT_EQ(redPixels(image), 0);
    else
      EXPECT_GT(redPixels(image), 100);
  }
  EXPECT_FALSE(fileExists(sbtest::tempDir() + "/fraps-3.jpg"));
  EXPECT_EQ(sbtest::readLog().find("Unable to save"), std::string::npos);

  // Recording off: no more files, and the display no longer captures frames.
  fraps->setRecord(false);
  EXPECT_EQ(sb::DisplayManager::getInstance().getCaptureTexture(), nullptr);
}

TEST(FrapsRecording, F12FromTheKeyboardStartsRecording) {
  ASSERT_TRUE(sbtest::ensureDisplay()) << "no X server for the window test";
  ASSERT_EQ(sbtest::startEngine(windowConfig()), 0) << sbtest::readLog();
  sb::Fraps *fraps = new sb::Fraps(false);
  new Stopper(1);
  ASSERT_TRUE(sbtest::focusWindow());
  ASSERT_TRUE(sbtest::keyDown("F12"));
  ASSERT_TRUE(sbtest::waitUntil([] { return sf::Keyboard::isKeyPressed(sf::Keyboard::F12); }));
  ASSERT_TRUE(sbtest::keyUp("F12"));
  ASSERT_TRUE(sbtest::waitUntil([] { return !sf::Keyboard::isKeyPressed(sf::Keyboard::F12); }));
  sb::GameManager::getInstance().run();

  EXPECT_TRUE(fraps->getRecord());
  EXPECT_TRUE(fileExists(sbtest::tempDir() + "/fraps-0.jpg"));
  EXPECT_TRUE(fileExists(sbtest::tempDir() + "/fraps-1.jpg"));

  // Deleting the display stops the capture.
  sb::WorldManager::getInstance().markForDelete(fraps);
  sb::WorldManager::getInstance().update();
  EXPECT_EQ(sb::DisplayManager::getInstance().getCaptureTexture(), nullptr);
}

}  // namespace
