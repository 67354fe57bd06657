/// @file
/// Umbrella header: every public header of the Sorbelane engine. A game
/// includes this one header; Grid.h comes with it in the grid build.
#ifndef SORBELANE_H
#define SORBELANE_H

#include "Animation.h"
#include "AttributeList.h"
#include "Box.h"
#include "BoxList.h"
#include "Cast.h"
#include "Circle.h"
#include "Clock.h"
#include "Color.h"
#include "Config.h"
#include "Constants.h"
#include "DisplayManager.h"
#include "Event.h"
#include "EventCollision.h"
#include "EventKeyboard.h"
#include "EventMouse.h"
#include "EventNetwork.h"
#include "EventOut.h"
#include "EventPath.h"
#include "EventStep.h"
#include "EventView.h"
#include "Firework.h"
#include "Fraps.h"
#include "Frame.h"
#include "GameManager.h"
#include "InputManager.h"
#include "Line.h"
#include "LogManager.h"
#include "Manager.h"
#include "Music.h"
#include "NetworkManager.h"
#include "Object.h"
#include "ObjectAttribute.h"
#include "ObjectList.h"
#include "ObjectListIterator.h"
#include "Particle.h"
#include "ParticleTypes.h"
#include "Path.h"
#include "PathFind.h"
#include "PixelLayer.h"
#include "PathManager.h"
#include "Precipitation.h"
#include "Recorder.h"
#include "Recording.h"
#include "Replay.h"
#include "ResourceManager.h"
#include "SceneGraph.h"
#include "Shape.h"
#include "Sound.h"
#include "Splash.h"
#include "SplashSorbelane.h"
#include "Sprite.h"
#include "TerminalDisplay.h"
#include "TerminalInput.h"
#include "Vector.h"
#include "ViewObject.h"
#include "ViewObjectAttribute.h"
#include "WorldChecksum.h"
#include "WorldManager.h"
#include "utility.h"
#if SORBELANE_GRID
#include "Grid.h"
#endif

/// @namespace sb
/// Everything of the Sorbelane engine: the managers (singletons reached with
/// getInstance()), game objects, events, resources and free helpers.

#endif
