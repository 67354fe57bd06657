// Umbrella header: every public header of the Sorbelane engine.
#ifndef SORBELANE_H
#define SORBELANE_H

#include "Animation.h"
#include "Box.h"
#include "Circle.h"
#include "Clock.h"
#include "Color.h"
#include "Config.h"
#include "Constants.h"
#include "DisplayManager.h"
#include "Event.h"
#include "EventCollision.h"
#include "EventOut.h"
#include "EventPath.h"
#include "EventStep.h"
#include "GameManager.h"
#include "InputManager.h"
#include "Line.h"
#include "LogManager.h"
#include "Manager.h"
#include "NetworkManager.h"
#include "Object.h"
#include "ObjectAttribute.h"
#include "ObjectList.h"
#include "ObjectListIterator.h"
#include "ParticleTypes.h"
#include "Path.h"
#include "PathFind.h"
#include "PathManager.h"
#include "ResourceManager.h"
#include "SceneGraph.h"
#include "Shape.h"
#include "Sprite.h"
#include "Vector.h"
#include "ViewObject.h"
#include "WorldManager.h"
#include "utility.h"
#if SORBELANE_GRID
#include "Grid.h"
#endif

#endif
