# Frame pacing needs the player layer (runFrame, FramePacer) over the headless window.
demo_bench(FramePacing player core corebase audio effects platform)
