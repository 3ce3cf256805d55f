#!/usr/bin/env python3
"""Rewrites a desktop scenario every 200 ms until stopped, for scripts/soak.

usage: soak-driver.py SCENARIO ICON_FOLDER
"""
import json
import os
import random
import sys
import time

path, icons = sys.argv[1], sys.argv[2]
rng = random.Random(15)
names = ["Mail", "Notes", "Browser", "Terminal", "Music", "Photos", "Calendar", "Messages", "Settings"]
running = {}  # name -> {"pid", "windows"}
next_pid = 500
badges = {}
screens = [[0, 0, 1920, 1080]]
writes = 0


def window(name, index):
    return {"title": f"{name} {index}", "frame": [rng.randint(0, 1200), rng.randint(0, 700),
                                                   rng.randint(200, 900), rng.randint(150, 700)],
            "minimized": rng.random() < 0.1}


def scenario():
    active = rng.choice(list(running)) if running else None
    apps = []
    for name, app in running.items():
        apps.append({"pid": app["pid"], "name": name, "bundleIdentifier": "org.soak." + name.lower(),
                     "bundle": f"/Applications/{name}.app", "icon": f"{icons}/{name.lower()}.png"
                     if os.path.exists(f"{icons}/{name.lower()}.png") else None,
                     "active": name == active, "windows": app["windows"]})
    return {"screens": [{"frame": frame} for frame in screens], "applications": apps,
            "dock": {"badges": badges}}


def write(text, atomically=True):
    global writes
    writes += 1
    if atomically:
        with open(path + ".new", "w") as file:
            file.write(text)
        os.replace(path + ".new", path)
    else:
        with open(path, "w") as file:
            file.write(text)
    with open(path + ".count.new", "w") as file:
        file.write(str(writes))
    os.replace(path + ".count.new", path + ".count")


while True:
    action = rng.random()
    text = None
    if action < 0.15 and len(running) < len(names):
        name = rng.choice([n for n in names if n not in running])
        running[name] = {"pid": next_pid, "windows": [window(name, i) for i in range(rng.randint(0, 3))]}
        next_pid += 1
    elif action < 0.27 and running:
        del running[rng.choice(list(running))]
    elif action < 0.6 and running:
        app = running[rng.choice(list(running))]
        if app["windows"] and rng.random() < 0.8:
            app["windows"][rng.randrange(len(app["windows"]))] = window("Moved", rng.randint(0, 9))
        else:
            app["windows"].append(window("New", len(app["windows"])))
    elif action < 0.72:
        name = rng.choice(names)
        badges[name] = str(rng.randint(1, 120)) if rng.random() < 0.7 else ""
        if not badges[name]:
            del badges[name]
    elif action < 0.78:
        screens = [[0, 0, rng.choice([1280, 1440, 1920]), rng.choice([800, 900, 1080])]]
        if rng.random() < 0.4:
            screens.append([screens[0][2], 0, 1280, 1024])
    elif action < 0.86:
        whole = json.dumps(scenario())
        text = whole[: rng.randrange(1, len(whole))]  # truncated, written in place
        write(text, atomically=False)
        time.sleep(0.2)
        continue
    elif action < 0.92:
        write(rng.choice(['{"applications": 7}', '{"screens": [{"frame": [0, 0, -5]}]}', "\xff\xfe", "[]",
                          '{"applications": [{"name": "X", "windows": [{"frame": "wide"}]}]}']))
        time.sleep(0.2)
        continue
    elif action < 0.96:
        try:
            os.remove(path)
        except FileNotFoundError:
            pass
        time.sleep(0.2)
        continue
    write(json.dumps(scenario()))
    time.sleep(0.2)
