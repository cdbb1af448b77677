# The tree's version: the top-level project takes it, and the runtime is
# built with it also when the tree's folders are added to another project
# (whose PROJECT_VERSION is its own).
set(CORVANTIS_VERSION_MAJOR 1)
set(CORVANTIS_VERSION_MINOR 0)
set(CORVANTIS_VERSION_PATCH 0)
set(CORVANTIS_VERSION ${CORVANTIS_VERSION_MAJOR}.${CORVANTIS_VERSION_MINOR}.${CORVANTIS_VERSION_PATCH})
