6
1
end
