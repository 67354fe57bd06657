// Input: real key presses, mouse motion, clicks and a close request sent
// with xdotool to a window under X, key translation and names, headless
// mode and the start-up order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <SFML/Graphics.hpp>

#include "Config.h"
#include "DisplayManager.h"
#include "EventKeyboard.h"
#include "EventMouse.h"
#include "GameManager.h"
#include "InputManager.h"
#include "LogManager.h"
#include "EventStep.h"
#include "Object.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"
#include "support/TypedStrings.h"
#include "utility.h"

namespace {

struct Received {
  bool keyboard;
  int key;
  int action;
  int button;
  sb::Vector position;
  char32_t character = 0;
  bool alt = false;
};

// Records every keyboard and mouse event it is sent.
class Recorder : public sb::Object {
 public:
  std::vector<Received> events;

  Recorder() {
    registerInterest(sb::KEYBOARD_EVENT);
    registerInterest(sb::MSE_EVENT);
  }

  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() == sb::KEYBOARD_EVENT) {
      auto *p_k = static_cast<const sb::EventKeyboard *>(p_e);
      events.push_back({true, p_k->getKey(), p_k->getKeyboardAction(), -1, sb::Vector(),
                        p_k->getCharacter(), p_k->getAlt()});
    } else if (p_e->getType() == sb::MSE_EVENT) {
      auto *p_m = static_cast<const sb::EventMouse *>(p_e);
      events.push_back(
          {false, -1, p_m->getMouseAction(), p_m->getMouseButton(), p_m->getMousePosition()});
    }
    return 1;
  }

  std::vector<Received> keys() const {
    std::vector<Received> out;
    for (const Received &r : events)
      if (r.keyboard) out.push_back(r);
    return out;
  }

  std::vector<Received> mouse(int action) const {
    std::vector<Received> out;
    for (const Received &r : events)
      if (!r.keyboard && r.action == action) out.push_back(r);
    return out;
  }
};

// Runs one step of input and returns what the recorder got in it.
Recorder *recorder = nullptr;
void step() {
  recorder->events.clear();
  sb::InputManager::getInstance().getInput();
}

bool keyIs(sf::Keyboard::Key key, bool down) {
  return sbtest::waitUntil([&] { return sf::Keyboard::isKeyPressed(key) == down; });
}

bool buttonIs(sf::Mouse::Button button, bool down) {
  return sbtest::waitUntil([&] { return sf::Mouse::isButtonPressed(button) == down; });
}

TEST(InputWindow, RealKeysMouseAndCloseBecomeEngineEvents) {
  ASSERT_TRUE(sbtest::ensurePrivateDisplay()) << "no X server for the input test";
  sb::LogManager::getInstance().setLogLevel(5);
  ASSERT_EQ(sbtest::startEngine("window_horizontal_pixels:800,\nwindow_vertical_pixels:480,\n" +
                                sbtest::fontConfig()),
            0)
      << sbtest::readLog();
  sf::RenderWindow *p_window = sb::DisplayManager::getInstance().getWindow();
  ASSERT_NE(p_window, nullptr);
  EXPECT_NE(sbtest::readLog().find("InputManager::startUp(): Keyboard repeated disabled."),
            std::string::npos);
  recorder = new Recorder;
  ASSERT_TRUE(sbtest::focusWindow());
  step();  // drains focus and motion events

  // A key held across three steps: pressed once, down while held, released once.
  ASSERT_TRUE(sbtest::keyDown("q"));
  ASSERT_TRUE(keyIs(sf::Keyboard::Q, true));
  step();
  auto keys = recorder->keys();
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].key, sb::Keyboard::Q);
  EXPECT_EQ(keys[0].action, sb::KEY_PRESSED);
  EXPECT_EQ(keys[1].key, sb::Keyboard::Q);
  EXPECT_EQ(keys[1].action, sb::KEY_DOWN);
  step();
  keys = recorder->keys();
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].action, sb::KEY_DOWN);
  ASSERT_TRUE(sbtest::keyUp("q"));
  ASSERT_TRUE(keyIs(sf::Keyboard::Q, false));
  step();
  keys = recorder->keys();
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].key, sb::Keyboard::Q);
  EXPECT_EQ(keys[0].action, sb::KEY_RELEASED);

  // The main keyboard's hyphen has no engine key: SFML's 56 plus 97, never polled.
  ASSERT_TRUE(sbtest::keyDown("minus"));
  ASSERT_TRUE(keyIs(sf::Keyboard::Hyphen, true));
  step();
  keys = recorder->keys();
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].key, 153);
  EXPECT_EQ(keys[0].action, sb::KEY_PRESSED);
  ASSERT_TRUE(sbtest::keyUp("minus"));
  ASSERT_TRUE(keyIs(sf::Keyboard::Hyphen, false));
  step();
  keys = recorder->keys();
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].key, 153);
  EXPECT_EQ(keys[0].action, sb::KEY_RELEASED);

  // The keypad's subtract key is the engine's MINUS, polled while held.
  ASSERT_TRUE(sbtest::keyDown("KP_Subtract"));
  ASSERT_TRUE(keyIs(sf::Keyboard::Subtract, true));
  step();
  keys = recorder->keys();
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].key, sb::Keyboard::MINUS);
  EXPECT_EQ(keys[1].key, sb::Keyboard::MINUS);
  EXPECT_EQ(keys[1].action, sb::KEY_DOWN);
  ASSERT_TRUE(sbtest::keyUp("KP_Subtract"));
  ASSERT_TRUE(keyIs(sf::Keyboard::Subtract, false));
  step();

  // Motion and clicks carry cell positions: 10 x 20 pixel cells.
  const sb::Vector cell(40.5f, 11.95f);
  ASSERT_TRUE(sbtest::mouseMove(405, 239));
  ASSERT_TRUE(sbtest::waitUntil(
      [&] { return sf::Mouse::getPosition(*p_window) == sf::Vector2i(405, 239); }));
  step();
  auto moved = recorder->mouse(sb::MOVED);
  ASSERT_FALSE(moved.empty());
  EXPECT_EQ(moved.back().position, cell);
  EXPECT_EQ(moved.back().button, sb::Mouse::UNDEFINED_MOUSE_BUTTON);
  EXPECT_TRUE(recorder->mouse(sb::PRESSED).empty());

  ASSERT_TRUE(sbtest::mouseDown(1));
  ASSERT_TRUE(buttonIs(sf::Mouse::Left, true));
  step();
  auto clicked = recorder->mouse(sb::CLICKED);
  ASSERT_EQ(clicked.size(), 1u);
  EXPECT_EQ(clicked[0].button, sb::Mouse::LEFT);
  EXPECT_EQ(clicked[0].position, cell);
  auto pressed = recorder->mouse(sb::PRESSED);
  ASSERT_EQ(pressed.size(), 1u);
  EXPECT_EQ(pressed[0].button, sb::Mouse::LEFT);
  EXPECT_EQ(pressed[0].position, cell);

  // Right pressed while left is held: the held left button names the click,
  // and the held buttons are sent left first.
  ASSERT_TRUE(sbtest::mouseDown(3));
  ASSERT_TRUE(buttonIs(sf::Mouse::Right, true));
  step();
  clicked = recorder->mouse(sb::CLICKED);
  ASSERT_EQ(clicked.size(), 1u);
  EXPECT_EQ(clicked[0].button, sb::Mouse::LEFT);
  pressed = recorder->mouse(sb::PRESSED);
  ASSERT_EQ(pressed.size(), 2u);
  EXPECT_EQ(pressed[0].button, sb::Mouse::LEFT);
  EXPECT_EQ(pressed[1].button, sb::Mouse::RIGHT);
  EXPECT_EQ(pressed[1].position, cell);
  ASSERT_TRUE(sbtest::mouseUp(3));
  ASSERT_TRUE(sbtest::mouseUp(1));
  ASSERT_TRUE(buttonIs(sf::Mouse::Left, false));
  step();
  EXPECT_TRUE(recorder->mouse(sb::PRESSED).empty());

  // A click let go before the step still names its button.
  ASSERT_TRUE(sbtest::click(1));
  ASSERT_TRUE(buttonIs(sf::Mouse::Left, false));
  step();
  clicked = recorder->mouse(sb::CLICKED);
  ASSERT_EQ(clicked.size(), 1u);
  EXPECT_EQ(clicked[0].button, sb::Mouse::LEFT);
  ASSERT_TRUE(sbtest::click(3));
  ASSERT_TRUE(buttonIs(sf::Mouse::Right, false));
  step();
  clicked = recorder->mouse(sb::CLICKED);
  ASSERT_EQ(clicked.size(), 1u);
  EXPECT_EQ(clicked[0].button, sb::Mouse::RIGHT);

  // A close request ends the game; what was queued behind it waits a step.
  sb::GameManager &gm = sb::GameManager::getInstance();
  ASSERT_FALSE(gm.getGameOver());
  ASSERT_TRUE(sbtest::requestClose());
  ASSERT_TRUE(sbtest::keyDown("w"));
  ASSERT_TRUE(keyIs(sf::Keyboard::W, true));
  step();
  EXPECT_TRUE(gm.getGameOver());
  EXPECT_TRUE(recorder->events.empty());
  step();
  keys = recorder->keys();
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0].key, sb::Keyboard::W);
  EXPECT_EQ(keys[0].action, sb::KEY_PRESSED);
  EXPECT_EQ(keys[1].action, sb::KEY_DOWN);
  ASSERT_TRUE(sbtest::keyUp("w"));
  ASSERT_TRUE(keyIs(sf::Keyboard::W, false));
  step();

  // The game loop ends on a close request.
  ASSERT_TRUE(sbtest::requestClose());
  gm.run();
  EXPECT_TRUE(gm.getGameOver());
  EXPECT_EQ(gm.getStepCount(), 1);

  gm.shutDown();
  std::string log = sbtest::readLog();
  EXPECT_EQ(
      sbtest::countOf(log, "InputManager::getInput(): Window close event. Setting game over."), 2);
  EXPECT_NE(log.find("InputManager::shutDown(): Keyboard repeat enabled."), std::string::npos);
  EXPECT_NE(log.find("InputManager::shutDown(): successfully stopped."), std::string::npos);
}

// Ends the game loop at its first step.
class OneStep : public sb::Object {
 public:
  OneStep() { registerInterest(sb::STEP_EVENT); }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() == sb::STEP_EVENT) sb::GameManager::getInstance().setGameOver();
    return 1;
  }
};

// The presses a recorder got but Shift's, as key and character.
std::vector<std::pair<int, char32_t>> pressesOf(const Recorder &recorder) {
  std::vector<std::pair<int, char32_t>> presses;
  for (const Received &r : recorder.events)
    if (r.keyboard && r.action == sb::KEY_PRESSED && r.key != sb::Keyboard::LEFTSHIFT &&
        r.key != sb::Keyboard::RIGHTSHIFT)
      presses.push_back({r.key, r.character});
  return presses;
}

// Strings typed with xdotool: each character one press carrying it, on the
// key it is typed on; a recording of them replays them alike.
TEST(InputWindow, TypedStringsCarryTheirCharactersAndReplay) {
  ASSERT_TRUE(sbtest::ensurePrivateDisplay()) << "no X server for the input test";
  const std::string recording = sbtest::tempDir() + "/typed.rec";
  ASSERT_EQ(sbtest::startEngine("window_horizontal_pixels:800,\nwindow_vertical_pixels:480,\n"
                                "record:" + recording + ",\n" + sbtest::fontConfig()),
            0)
      << sbtest::readLog();
  recorder = new Recorder;
  ASSERT_TRUE(sbtest::focusWindow());
  step();
  std::vector<std::pair<int, char32_t>> expected, typed;
  const std::string text_file = sbtest::tempDir() + "/typed.txt";
  for (const sbtest::TypedString &string : sbtest::typedStrings()) {
    for (size_t i = 0; i < string.keys.size(); i++)
      expected.push_back({string.keys[i], static_cast<unsigned char>(string.text[i])});
    sbtest::writeFile(text_file, string.text);
    ASSERT_TRUE(sbtest::xdotool("type --delay 15 --file " + text_file));
    sbtest::waitUntil([&] {
      sb::InputManager::getInstance().getInput();  // collects, not cleared
      return pressesOf(*recorder).size() >= expected.size();
    });
  }
  EXPECT_EQ(pressesOf(*recorder), expected);
  new OneStep;  // a step of the game loop, so that the recording covers the input
  sb::GameManager::getInstance().run();
  sb::GameManager::getInstance().shutDown();
  std::remove(text_file.c_str());

  // Replayed headless, the same presses with the same characters.
  ASSERT_EQ(sbtest::startEngine("headless:true,\nreplay:" + recording + ",\n"), 0)
      << sbtest::readLog() << sbtest::readFile(recording);
  recorder = new Recorder;
  sb::GameManager::getInstance().run();
  EXPECT_EQ(pressesOf(*recorder), expected);
  sb::GameManager::getInstance().shutDown();
  std::remove(recording.c_str());
}

TEST(InputKeys, TranslationAndNames) {
  EXPECT_EQ(sb::toEngineKey(sf::Keyboard::A), sb::Keyboard::A);
  EXPECT_EQ(sb::toEngineKey(sf::Keyboard::Z), sb::Keyboard::Z);
  EXPECT_EQ(sb::toEngineKey(sf::Keyboard::Num0), sb::Keyboard::NUM0);
  EXPECT_EQ(sb::toEngineKey(sf::Keyboard::Num9), sb::Keyboard::NUM9);
  EXPECT_EQ(sb::toEngineKey(sf::Keyboard::F12), sb::Keyboard::F12);
  EXPECT_EQ(sb::toEngineKey(sf::Keyboard::Enter), sb::Keyboard::RETURN);
  EXPECT_EQ(sb::toEngineKey(sf::Keyboard::Add), sb::Keyboard::PLUS);
  EXPECT_EQ(sb::toEngineKey(sf::Keyboard::Pause), sb::Keyboard::PAUSE);
  EXPECT_EQ(sb::toEngineKey(sf::Keyboard::Backspace), sb::Keyboard::BACKSPACE);
  EXPECT_EQ(sb::toEngineKey(sf::Keyboard::Hyphen), 153);
  EXPECT_EQ(sb::toEngineKey(sf::Keyboard::LAlt), 39 + 97);
  EXPECT_EQ(sb::toEngineKey(sf::Keyboard::Numpad0), 75 + 97);
  EXPECT_EQ(sb::toEngineKey(sf::Keyboard::F15), 99 + 97);

  sf::Event::KeyEvent key_event = {};
  key_event.code = sf::Keyboard::Semicolon;
  sb::EventKeyboard event = sb::toEventKeyboard(key_event);
  EXPECT_EQ(event.getType(), sb::KEYBOARD_EVENT);
  EXPECT_EQ(event.getKey(), sb::Keyboard::SEMICOLON);
  EXPECT_EQ(event.getKeyboardAction(), sb::UNDEFINED_KEYBOARD_ACTION);

  EXPECT_EQ(sb::toString(sb::Keyboard::Q), "Q");
  EXPECT_EQ(sb::toString(sb::Keyboard::A), "A");
  EXPECT_EQ(sb::toString(sb::Keyboard::NUM0), "0");
  EXPECT_EQ(sb::toString(sb::Keyboard::NUM1), "1");
  EXPECT_EQ(sb::toString(sb::Keyboard::NUM9), "9");
  EXPECT_EQ(sb::toString(sb::Keyboard::SPACE), " ");
  EXPECT_EQ(sb::toString(sb::Keyboard::BACKSLASH), "\\");
  EXPECT_EQ(sb::toString(sb::Keyboard::QUOTE), "\"");
  EXPECT_EQ(sb::toString(sb::Keyboard::SEMICOLON), ";");
  EXPECT_EQ(sb::toString(sb::Keyboard::UNDEFINED_KEY), "");
  EXPECT_EQ(sb::toString(sb::Keyboard::RETURN), "");
  EXPECT_EQ(sb::toString(sb::Keyboard::F1), "");
  EXPECT_EQ(sb::toString(static_cast<sb::Keyboard::Key>(153)), "");

  sb::EventMouse mouse;
  EXPECT_EQ(mouse.getType(), sb::MSE_EVENT);
  EXPECT_EQ(mouse.getMouseAction(), sb::UNDEFINED_MOUSE_ACTION);
  EXPECT_EQ(mouse.getMouseButton(), sb::Mouse::UNDEFINED_MOUSE_BUTTON);
}

TEST(InputHeadless, StartsAloneAndSendsNothing) {
  sb::LogManager::getInstance().setLogLevel(5);
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  Recorder *p_recorder = new Recorder;
  sb::InputManager &im = sb::InputManager::getInstance();
  im.getInput();
  EXPECT_TRUE(p_recorder->events.empty());
  EXPECT_NE(
      sbtest::readLog().find("InputManager::startUp(): not doing input since in headless mode."),
      std::string::npos);

  // Headless start-up needs no display manager.
  sb::DisplayManager::getInstance().shutDown();
  im.shutDown();
  EXPECT_EQ(im.startUp(), 0);
  EXPECT_TRUE(im.isStarted());
}

TEST(InputStartup, RefusesToStartBeforeTheDisplay) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::InputManager &im = sb::InputManager::getInstance();
  im.shutDown();
  sb::DisplayManager::getInstance().shutDown();
  sb::Config::getInstance().setHeadless(false);
  EXPECT_EQ(im.startUp(), -1);
  EXPECT_FALSE(im.isStarted());
  EXPECT_NE(sbtest::readLog().find("InputManager::startUp(): Error starting InputManager. "
                                   "DisplayManager must be started first."),
            std::string::npos);

  // A started display without a window: input starts with a warning, and
  // getInput reports the missing window.
  sb::Config::getInstance().setHeadless(true);
  ASSERT_EQ(sb::DisplayManager::getInstance().startUp(), 0);
  sb::Config::getInstance().setHeadless(false);
  EXPECT_EQ(im.startUp(), 0);
  im.getInput();
  std::string log = sbtest::readLog();
  EXPECT_NE(log.find("InputManager::startUp(): Warning - DisplayManager unexpectedly returned null "
                     "window! Cannot disable keyboard repeat."),
            std::string::npos);
  EXPECT_NE(log.find("InputManager::getInput(): DisplayManager unexpectedly returned null window!"),
            std::string::npos);
}

}  // namespace
