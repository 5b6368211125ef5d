# The comparison's chart: call with
#   gnuplot -e "speed='compare-speed.tsv'; quality='compare-quality.tsv'; output='compare.png'"
set terminal pngcairo size 1500,620 font ",11"
set output output
set datafile separator "\t"
set multiplot layout 1,2 title "One thread, codec time only (encode: from RGB; decode: to BGR24)"

set title "Speed: geometric mean over the clips"
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.8 border -1
set logscale y
set yrange [0.5:*]
set ylabel "frames a second"
set grid ytics
set xtics rotate by -30 nomirror
set key top center horizontal
plot speed using 2:xtic(1) title columnheader, '' using 3 title columnheader, \
     '' using 4 title columnheader, '' using 5 title columnheader

unset style
set style data points
set title "Bytes a frame against PSNR-Y (every clip, 320x240 and 640x480)"
set logscale x
unset logscale y
set autoscale y
set xtics norotate mirror
set xlabel "bytes a frame"
set ylabel "PSNR-Y (dB)"
set grid xtics ytics
set key outside right top vertical
plot for [i=0:*] quality index i using 2:3 with points pointsize 1.6 pointtype (i % 13) + 1 \
     title columnheader(1)
unset multiplot
