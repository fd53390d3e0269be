# Sourced by the web build scripts: Debian's emscripten as it needs to run here.
# Debian's emcc runs its JavaScript optimiser on the system node, which finds Debian's
# node-acorn only through the distribution's module folder.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
