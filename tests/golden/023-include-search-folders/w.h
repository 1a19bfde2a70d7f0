cwd w
