# The audio benchmark needs only the audio library and libsndfile (to write its test music).
demo_bench(Audio audio corebase PkgConfig::SNDFILE)
